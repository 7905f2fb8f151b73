#include "gui/editor/OpcodePanelView.h"

#include "core/language/PinPicker.h"
#include "gui/editor/CategoryIcons.h"
#include "gui/editor/DipChipView.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace norix {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

OpcodePanelView::OpcodePanelView(OpcodePanelModel& model, std::function<int()> pinCount,
                                 QWidget* parent)
    : QWidget(parent), model_(model), pinCount_(std::move(pinCount)),
      stack_(new QStackedWidget(this)) {
    setObjectName(QStringLiteral("opcodePanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stack_);
    stack_->addWidget(buildListPage());
    stack_->addWidget(buildArgumentPage());
    modelConnection_ = model_.changed.connect([this] { refresh(); });
    refresh();
}

QWidget* OpcodePanelView::buildListPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* header = new QHBoxLayout;
    categories_ = new QComboBox;
    categories_->setObjectName(QStringLiteral("opcodeCategory"));
    for (const auto& category : opcodeCategories())
        categories_->addItem(categoryIcon(category.iconName, style()), qs(category.name));
    connect(categories_, &QComboBox::activated, this, [this](int index) {
        model_.selectCategory(categories_->itemText(index).toStdString());
    });
    auto* close = new QPushButton(tr("Close"));
    connect(close, &QPushButton::clicked, this, [this] { model_.setShowOpcodeTools(false); });
    header->addWidget(categories_, 1);
    header->addWidget(close);
    layout->addLayout(header);

    opcodes_ = new QListWidget;
    opcodes_->setObjectName(QStringLiteral("opcodeList"));
    opcodes_->setAlternatingRowColors(true);
    const auto choose = [this](QListWidgetItem* item) {
        if (const OpcodeOption* option =
                opcodeOption(item->data(Qt::UserRole).toString().toStdString()))
            model_.chooseOpcode(*option);
    };
    connect(opcodes_, &QListWidget::itemClicked, this, choose);
    // Enter on the list chooses too, for the keyboard.
    connect(opcodes_, &QListWidget::itemActivated, this, choose);
    layout->addWidget(opcodes_, 1);
    return page;
}

QWidget* OpcodePanelView::buildArgumentPage() {
    // The arguments and the pin picker scroll; the buttons below them stay in view.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    title_ = new QLabel;
    title_->setObjectName(QStringLiteral("opcodeTitle"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    description_ = new QLabel;
    description_->setWordWrap(true);
    layout->addWidget(title_);
    layout->addWidget(description_);
    rows_ = new QFormLayout;
    layout->addLayout(rows_);
    dip_ = new DipChipView;
    dip_->onPinClick = [this](int pin) { PinPicker(model_, pinCount_()).handleMockPinClick(pin); };
    layout->addWidget(dip_, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    scroll->setWidget(page);

    auto* buttons = new QHBoxLayout;
    insert_ = new QPushButton(tr("Insert"));
    insert_->setDefault(true);
    back_ = new QPushButton(tr("Back"));
    auto* close = argumentClose_ = new QPushButton(tr("Close"));
    connect(insert_, &QPushButton::clicked, this, [this] {
        if (auto line = model_.insert(); line && onInsert)
            onInsert(*line);
    });
    connect(back_, &QPushButton::clicked, this, [this] { model_.back(); });
    connect(close, &QPushButton::clicked, this, [this] { model_.setShowOpcodeTools(false); });
    buttons->addWidget(insert_);
    buttons->addWidget(back_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* argumentPage = new QWidget;
    auto* pageLayout = new QVBoxLayout(argumentPage);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(scroll, 1);
    pageLayout->addLayout(buttons);
    // Escape leaves the opcode's arguments for the list, like "Back".
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), argumentPage);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, back_, &QPushButton::click);
    return argumentPage;
}

QLineEdit* OpcodePanelView::argumentField(int index) const {
    return index >= 0 && index < static_cast<int>(fields_.size())
               ? fields_[static_cast<std::size_t>(index)]
               : nullptr;
}

QComboBox* OpcodePanelView::argumentChoice(int index) const {
    return index >= 0 && index < static_cast<int>(choices_.size())
               ? choices_[static_cast<std::size_t>(index)]
               : nullptr;
}

QPushButton* OpcodePanelView::registerMenuButton(int index) const {
    return index >= 0 && index < static_cast<int>(registerMenus_.size())
               ? registerMenus_[static_cast<std::size_t>(index)]
               : nullptr;
}

void OpcodePanelView::fillOpcodeList() {
    listedCategory_ = model_.selectedOpcodeCategory();
    opcodes_->clear();
    const auto& options = opcodeOptions();
    auto found = options.find(listedCategory_);
    if (found == options.end())
        return;
    for (const auto& option : found->second) {
        auto* item = new QListWidgetItem(qs(option.opcode + "\n" + option.description));
        item->setData(Qt::UserRole, qs(option.opcode));
        item->setToolTip(qs(option.description));
        opcodes_->addItem(item);
    }
}

QWidget* OpcodePanelView::argumentControl(int index, const OpcodeArg& arg) {
    const auto position = static_cast<std::size_t>(index);
    auto writeValue = [this, position](const std::string& value) {
        model_.setArgValue(position, value);
    };

    if (arg.type == OpcodeArgType::addressGroup || arg.type == OpcodeArgType::addressIndex) {
        auto* box = new QComboBox;
        if (arg.type == OpcodeArgType::addressGroup) {
            for (const auto& group : addressGroups())
                box->addItem(qs(group.name), QString::number(group.value));
        } else {
            for (int value : addressIndexes())
                box->addItem(QString::number(value), QString::number(value));
        }
        connect(box, &QComboBox::activated, this, [box, writeValue](int chosen) {
            writeValue(box->itemData(chosen).toString().toStdString());
        });
        choices_[position] = box;
        return box;
    }

    auto* field = new QLineEdit;
    field->setPlaceholderText(qs(arg.placeholder));
    field->installEventFilter(this);
    // Enter in an argument field inserts the line, like the "Insert" button;
    // queued, because inserting removes the field that is still handling the key.
    connect(field, &QLineEdit::returnPressed, insert_, &QPushButton::click, Qt::QueuedConnection);
    connect(field, &QLineEdit::textEdited, this,
            [writeValue](const QString& text) { writeValue(text.toStdString()); });
    fields_[position] = field;
    if (arg.type != OpcodeArgType::registerSlot && arg.type != OpcodeArgType::value)
        return field;

    // Register menus: a register slot takes the plain number, a value the
    // reference; the bare "#R" entry starts a reference for the user to finish.
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* menuButton =
        new QPushButton(arg.type == OpcodeArgType::registerSlot ? tr("R") : tr("#R"));
    auto* menu = new QMenu(menuButton);
    if (arg.type == OpcodeArgType::registerSlot) {
        field->setMaximumWidth(90);
        for (int value : registerOptions())
            menu->addAction(QStringLiteral("R%1").arg(value),
                            [writeValue, value] { writeValue(std::to_string(value)); });
    } else {
        menu->addAction(QStringLiteral("#R"), [writeValue] { writeValue("#R"); });
        for (int value : registerOptions())
            menu->addAction(QStringLiteral("#R%1").arg(value),
                            [writeValue, value] { writeValue("#R" + std::to_string(value)); });
    }
    menuButton->setMenu(menu);
    registerMenus_[position] = menuButton;
    layout->addWidget(field, arg.type == OpcodeArgType::value ? 1 : 0);
    layout->addWidget(menuButton);
    if (arg.type == OpcodeArgType::registerSlot)
        layout->addStretch(1);
    return row;
}

void OpcodePanelView::rebuildArgumentRows() {
    while (rows_->rowCount() > 0)
        rows_->removeRow(0);
    const OpcodeOption* option = model_.selectedOpcodeOption();
    rowsBuiltFor_ = option;
    fields_.assign(option ? option->args.size() : 0, nullptr);
    choices_.assign(fields_.size(), nullptr);
    registerMenus_.assign(fields_.size(), nullptr);
    if (!option)
        return;
    title_->setText(tr("Opcode: ") + qs(option->opcode));
    description_->setText(qs(option->description));
    if (option->args.empty())
        rows_->addRow(new QLabel(tr("No arguments needed.")));
    for (std::size_t i = 0; i < option->args.size(); ++i)
        rows_->addRow(qs(option->args[i].name),
                      argumentControl(static_cast<int>(i), option->args[i]));
}

bool OpcodePanelView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i] == watched)
                model_.setFocusedField(static_cast<int>(i));
    }
    return QWidget::eventFilter(watched, event);
}

void OpcodePanelView::refresh() {
    setVisible(model_.showOpcodeTools());
    if (listedCategory_ != model_.selectedOpcodeCategory()) {
        fillOpcodeList();
        const int index = categories_->findText(qs(model_.selectedOpcodeCategory()));
        if (index >= 0)
            categories_->setCurrentIndex(index);
    }
    stack_->setCurrentIndex(model_.showOpcodePanel() ? 1 : 0);
    if (rowsBuiltFor_ != model_.selectedOpcodeOption())
        rebuildArgumentRows();

    const auto& values = model_.opcodeArgValues();
    for (std::size_t i = 0; i < values.size() && i < fields_.size(); ++i) {
        const QString value = qs(values[i]);
        if (fields_[i] && fields_[i]->text() != value)
            fields_[i]->setText(value);
        if (choices_[i]) {
            const int index = choices_[i]->findData(value);
            if (index >= 0)
                choices_[i]->setCurrentIndex(index);
        }
    }
    if (auto focused = model_.focusedField()) {
        QLineEdit* field = argumentField(*focused);
        if (field && !field->hasFocus() && isVisible())
            field->setFocus(Qt::OtherFocusReason);
    }

    const OpcodeOption* option = model_.selectedOpcodeOption();
    const bool showPicker = option && option->uiType == OpcodeUIType::mockChip;
    dip_->setVisible(showPicker);
    if (showPicker)
        dip_->setState(pinCount_(), model_.selectedMockPins(), model_.addressPinBits(),
                       model_.addressBase());
}

} // namespace norix
