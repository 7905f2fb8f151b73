// The main window at its smallest and as it is remembered, and the code
// editor as typed into: wrapping, numbering, Tab and colours on a dark theme.

#include "core/language/OpcodeCatalogue.h"
#include "gui/app/CodePanel.h"
#include "gui/editor/CodeEditor.h"
#include "gui/editor/CodeHighlighter.h"
#include "gui/editor/EditorColors.h"
#include "gui/editor/OpcodePanelView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace norix {
namespace {

// Whether the widget is shown and wholly inside its window.
bool wholeInWindow(const QWidget* widget) {
    const QRect inWindow(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
    return widget->isVisible() && widget->window()->rect().contains(inWindow);
}

TEST(MainWindowLayout, AtTheSmallestSizeTheEditorShowsTwelveLinesAndTheToolButtonsStay) {
    test::WindowFixture f;
    f.window->resize(900, 600);
    f.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(f.window.get()));
    EXPECT_EQ(f.window->size(), QSize(900, 600));
    f.session.editor().setSelectedPins(40); // the tallest pin picker
    f.window->codePanel()->opcodeModel().chooseOpcode(*opcodeOption("MULTIO"));
    QTest::qWait(20);

    const OpcodePanelView* tools = f.window->codePanel()->opcodePanel();
    EXPECT_TRUE(wholeInWindow(tools->insertButton()));
    EXPECT_TRUE(wholeInWindow(tools->backButton()));
    EXPECT_TRUE(wholeInWindow(tools->argumentCloseButton()));
    const CodeEditor* editor = f.window->codePanel()->editor();
    EXPECT_GE(editor->viewport()->height() / editor->fontMetrics().lineSpacing(), 12);
    EXPECT_EQ(editor->font().pixelSize(), 14);
}

TEST(MainWindowLayout, SizeAndSplittersAreRememberedBetweenRuns) {
    test::WindowFixture f;
    f.window->resize(1000, 650);
    f.window->show();
    auto* rows = f.window->findChild<QSplitter*>(QStringLiteral("rowsSplitter"));
    ASSERT_NE(rows, nullptr);
    rows->setSizes({400, 150});
    const QList<int> sizes = rows->sizes();
    ASSERT_TRUE(f.window->close());

    ContentView again(f.session);
    again.show();
    EXPECT_EQ(again.size(), QSize(1000, 650));
    EXPECT_EQ(again.findChild<QSplitter*>(QStringLiteral("rowsSplitter"))->sizes(), sizes);
}

TEST(CodeEditorTyping, TabInsertsSpacesToTheNextStopAndTheLineStaysValid) {
    test::WindowFixture f;
    f.window->show();
    f.session.editor().setChipCode("");
    CodeEditor* editor = f.window->codePanel()->editor();
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("SETOUT"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("1"));
    EXPECT_EQ(f.session.editor().chipCode(), "    SETOUT  1");
    EXPECT_FALSE(f.window->codePanel()->editor()->instructionMarks().at(0).hasError);
}

TEST(CodeEditorTyping, ALongLineWrapsAndIsNumberedOnItsFirstVisualLine) {
    test::WindowFixture f;
    f.window->resize(900, 600);
    f.window->show();
    CodeEditor* editor = f.window->codePanel()->editor();
    std::string comment = "//";
    for (int i = 0; i < 40; ++i)
        comment += " wraps";
    f.session.editor().setChipCode("SETOUT 1 " + comment + "\nSETOUT 2");
    QTest::qWait(20);
    const QTextBlock first = editor->document()->firstBlock();
    ASSERT_GT(first.layout()->lineCount(), 1);
    EXPECT_EQ(editor->horizontalScrollBar()->maximum(), 0);
    const QRect number = editor->numberRect(0);
    const QRectF firstLine = first.layout()->lineAt(0).rect();
    EXPECT_EQ(number.height(), editor->fontMetrics().height());
    EXPECT_LT(number.top(), editor->numberRect(1).top() - 2 * number.height());
    EXPECT_LE(
        std::abs(number.center().y() - (number.top() + static_cast<int>(firstLine.height() / 2))),
        2);
}

TEST(CodeEditorTyping, ColoursFollowTheLightnessOfThePalette) {
    test::WindowFixture f;
    CodeEditor* editor = f.window->codePanel()->editor();
    f.session.editor().setChipCode("SETOUT 1");
    const auto opcodeColour = [editor] {
        return editor->document()
            ->firstBlock()
            .layout()
            ->formats()
            .at(0)
            .format.foreground()
            .color();
    };
    EXPECT_EQ(opcodeColour(), editorColor(CodeColor::opcode, false));
    QPalette dark = editor->palette();
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    editor->setPalette(dark);
    EXPECT_EQ(opcodeColour(), editorColor(CodeColor::opcode, true));
    for (auto colour :
         {CodeColor::opcode, CodeColor::registerReference, CodeColor::comment, CodeColor::error})
        EXPECT_GT(editorColor(colour, true).lightness(), 128);
}

} // namespace
} // namespace norix
