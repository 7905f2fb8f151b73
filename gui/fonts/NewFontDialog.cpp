#include "gui/fonts/NewFontDialog.h"

#include "core/fonts/FontEditor.h"
#include "gui/fonts/FontWindowControls.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace norix {
NewFontDialog::NewFontDialog(FontEditor& editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
    setWindowTitle(tr("New Font"));
    const NewFontOptions& options = editor_.newFontOptions();
    name_ = new QLineEdit(QString::fromStdString(options.name));
    width_ =
        makeStepper(tr("Width: "), tr(" pixels"), FontEditor::maximumNewFontWidth, options.width);
    height_ = makeStepper(tr("Height: "), tr(" pixels"), FontEditor::maximumNewFontHeight,
                          options.height);
    glyphCount_ = makeStepper(tr("Glyphs: "), QString(), FontEditor::maximumNewFontGlyphCount,
                              options.glyphCount);

    auto* title = new QLabel(tr("New Font"));
    makeHeading(title, 15);

    auto* buttons = new QDialogButtonBox;
    cancel_ = buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);
    create_ = buttons->addButton(tr("Create"), QDialogButtonBox::AcceptRole);
    create_->setDefault(true);
    create_->setAutoDefault(true);
    cancel_->setAutoDefault(false);
    setMinimumWidth(300);

    auto* form = new QFormLayout;
    form->addRow(tr("Name"), name_);
    form->addRow(width_);
    form->addRow(height_);
    form->addRow(glyphCount_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &NewFontDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewFontDialog::reject);
    connect(name_, &QLineEdit::textChanged, this, &NewFontDialog::store);
    for (QSpinBox* box : {width_, height_, glyphCount_})
        connect(box, &QSpinBox::valueChanged, this, &NewFontDialog::store);
    refresh();
}

void NewFontDialog::store() {
    editor_.setNewFontOptions(
        {name_->text().toStdString(), width_->value(), height_->value(), glyphCount_->value()});
    refresh();
}

void NewFontDialog::refresh() {
    create_->setEnabled(editor_.canCreateNewFont());
}

void NewFontDialog::accept() {
    // Return reaches here even while "Create" is disabled.
    if (!editor_.canCreateNewFont())
        return;
    editor_.createNewFont();
    QDialog::accept();
}

void NewFontDialog::reject() {
    editor_.cancelNewFont();
    QDialog::reject();
}

} // namespace norix
