#pragma once
// The "Code" region: the code editor bound to the chip's test code, its
// instruction-number gutter, the "Tools" toggle and the opcode tools. Typing
// writes the whole text back to the session; a change from elsewhere (a file,
// a chip from the Norix, "Insert") replaces the editor's text.

#include "core/language/InstructionNumbers.h"
#include "core/language/OpcodePanelModel.h"
#include "core/util/Signal.h"

#include <QWidget>
#include <string>

class QPushButton;

namespace norix {

class ChipSession;
class CodeEditor;
class CodeHighlighter;
class OpcodePanelView;

class CodePanel : public QWidget {
    Q_OBJECT
public:
    explicit CodePanel(ChipSession& session, QWidget* parent = nullptr);
    ~CodePanel() override;

    CodeEditor* editor() const { return editor_; }
    CodeHighlighter* highlighter() const { return highlighter_; }
    OpcodePanelView* opcodePanel() const { return opcodePanel_; }
    OpcodePanelModel& opcodeModel() { return opcodeModel_; }
    QPushButton* toolsButton() const { return tools_; }

    static constexpr int minimumVisibleLines = 12;

private:
    void sessionChanged();
    void editorTextChanged();
    void updateGutter();

    ChipSession& session_;
    OpcodePanelModel opcodeModel_;
    CodeEditor* editor_;
    CodeHighlighter* highlighter_;
    OpcodePanelView* opcodePanel_;
    QPushButton* tools_;
    InstructionNumberCache gutterCache_;

    // The code as last exchanged with the session, so that echoes of our own
    // edits are recognised without comparing against the widget's text.
    std::string syncedCode_;
    int syncedPins_ = -1;
    bool gutterDirty_ = true;
    bool applyingSessionCode_ = false;
    std::vector<Connection> connections_;
};

} // namespace norix
