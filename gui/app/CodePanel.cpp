#include "gui/app/CodePanel.h"

#include "core/chips/ChipSession.h"
#include "gui/editor/CodeEditor.h"
#include "gui/editor/CodeHighlighter.h"
#include "gui/editor/OpcodePanelView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace norix {

CodePanel::CodePanel(ChipSession& session, QWidget* parent)
    : QWidget(parent), session_(session), editor_(new CodeEditor),
      highlighter_(new CodeHighlighter(
          editor_->document(),
          [this] { return static_cast<int>(session_.editor().selectedPins()); })),
      opcodePanel_(new OpcodePanelView(
          opcodeModel_, [this] { return static_cast<int>(session_.editor().selectedPins()); })),
      tools_(new QPushButton(tr("Tools"))) {
    tools_->setCheckable(true);
    tools_->setChecked(opcodeModel_.showOpcodeTools());
    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(tr("Code")));
    header->addStretch(1);
    header->addWidget(tools_);

    // Twelve lines of code at the least, whatever else the window has to show.
    editor_->setMinimumHeight(editor_->heightForLines(minimumVisibleLines));
    highlighter_->setDarkBackground(editor_->darkBackground());
    connect(editor_, &CodeEditor::paletteChanged, this,
            [this] { highlighter_->setDarkBackground(editor_->darkBackground()); });

    auto* splitter = new QSplitter;
    splitter->setObjectName(QStringLiteral("codeSplitter"));
    splitter->addWidget(editor_);
    splitter->addWidget(opcodePanel_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setCollapsible(0, false);
    splitter->setCollapsible(1, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(header);
    layout->addWidget(splitter, 1);

    connect(tools_, &QPushButton::toggled, this,
            [this](bool shown) { opcodeModel_.setShowOpcodeTools(shown); });
    opcodePanel_->onInsert = [this](const std::string& line) {
        session_.editor().setChipCode(session_.editor().chipCode() + line);
    };
    connect(editor_, &QPlainTextEdit::textChanged, this, &CodePanel::editorTextChanged);

    connections_.push_back(opcodeModel_.changed.connect([this] {
        if (tools_->isChecked() != opcodeModel_.showOpcodeTools())
            tools_->setChecked(opcodeModel_.showOpcodeTools());
    }));
    connections_.push_back(session_.editor().changed.connect([this] { sessionChanged(); }));
    sessionChanged();
}

CodePanel::~CodePanel() = default;

void CodePanel::sessionChanged() {
    const auto& editor = session_.editor();
    const int pins = static_cast<int>(editor.selectedPins());
    if (pins != syncedPins_) {
        syncedPins_ = pins;
        gutterDirty_ = true;
        highlighter_->pinCountChanged();
        opcodePanel_->pinCountChanged();
    }
    if (editor.chipCode() != syncedCode_) {
        syncedCode_ = editor.chipCode();
        // Our own textChanged must not write the text straight back.
        applyingSessionCode_ = true;
        editor_->replaceText(QString::fromStdString(syncedCode_));
        applyingSessionCode_ = false;
        gutterDirty_ = true;
    }
    if (gutterDirty_)
        updateGutter();
}

void CodePanel::editorTextChanged() {
    if (applyingSessionCode_)
        return;
    syncedCode_ = editor_->toPlainText().toStdString();
    gutterDirty_ = true;
    session_.editor().setChipCode(syncedCode_);
    // setChipCode announces nothing when the text is unchanged.
    if (gutterDirty_)
        updateGutter();
}

void CodePanel::updateGutter() {
    gutterDirty_ = false;
    editor_->setInstructionMarks(
        gutterCache_.build(syncedCode_, syncedPins_,
                           [this](const std::string& entry) { session_.appendTerminal(entry); }));
}

} // namespace norix
