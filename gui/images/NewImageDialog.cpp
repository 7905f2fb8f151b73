#include "gui/images/NewImageDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace norix {
namespace {

QLineEdit* field(const QString& text, const QString& placeholder, int width) {
    auto* edit = new QLineEdit(text);
    edit->setPlaceholderText(placeholder);
    edit->setFixedWidth(width);
    return edit;
}

} // namespace

NewImageDialog::NewImageDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("New Norix Image"));
    setModal(true);
    const QString maxWidth = QString::number(screenWidth);
    const QString maxHeight = QString::number(screenHeight);

    auto* message = new QLabel(QStringLiteral("New Norix Image"));
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    auto* informative = new QLabel(QString::fromStdString(newImageInformativeText()));
    informative->setWordWrap(true);

    nameField_ = field(QString(), QStringLiteral("Image name"), 190);
    widthField_ = field(maxWidth, QStringLiteral("1\u2013") + maxWidth, 70);
    heightField_ = field(maxHeight, QStringLiteral("1\u2013") + maxHeight, 70);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Name:")), 0, 0, Qt::AlignRight);
    grid->addWidget(nameField_, 0, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Width:")), 1, 0, Qt::AlignRight);
    grid->addWidget(widthField_, 1, 1, Qt::AlignLeft);
    grid->addWidget(new QLabel(QStringLiteral("Height:")), 2, 0, Qt::AlignRight);
    grid->addWidget(heightField_, 2, 1, Qt::AlignLeft);

    auto* buttons = new QDialogButtonBox;
    createButton_ = buttons->addButton(QStringLiteral("Create"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    createButton_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addWidget(informative);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    nameField_->setFocus();
}

NewImageEntry NewImageDialog::entry() const {
    return {nameField_->text().toStdString(), widthField_->text().toStdString(),
            heightField_->text().toStdString()};
}

std::optional<NewImageEntry> NewImageDialog::ask(QWidget* parent) {
    NewImageDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.entry();
}

} // namespace norix
