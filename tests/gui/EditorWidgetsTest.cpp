#include "gui/app/CodePanel.h"
#include "gui/editor/CodeEditor.h"
#include "gui/editor/CodeHighlighter.h"
#include "gui/editor/DipChipView.h"
#include "gui/editor/EditorColors.h"
#include "gui/editor/OpcodePanelView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <gtest/gtest.h>

namespace norix {
namespace {

using test::application;

// The colour the highlighter gave the text at `position` of `block`.
std::optional<QColor> colorAt(const QTextBlock& block, int position) {
    for (const auto& range : block.layout()->formats())
        if (position >= range.start && position < range.start + range.length)
            return range.format.foreground().color();
    return std::nullopt;
}

TEST(CodeHighlighter, ColoursTokensOnABareDocument) {
    application();
    QTextDocument document;
    document.documentLayout(); // edits are announced (and highlighted) once a layout exists
    int pins = 14;
    CodeHighlighter highlighter(&document, [&pins] { return pins; });
    // Which piece gets which colour is the core's; here, that each lands where it belongs.
    document.setPlainText(QStringLiteral("   setout 5\nREGLOD 3 #R4\nSETIN 16\n\u00e9t\u00e9 #R2"));
    const auto block = [&document](int n) { return document.findBlockByNumber(n); };

    EXPECT_EQ(colorAt(block(0), 3), editorColor(CodeColor::opcode));
    EXPECT_EQ(colorAt(block(0), 0), std::nullopt); // leading spaces keep no colour
    EXPECT_EQ(colorAt(block(0), 10), std::nullopt);
    EXPECT_EQ(colorAt(block(1), 9), editorColor(CodeColor::registerReference));
    EXPECT_EQ(colorAt(block(2), 6), editorColor(CodeColor::error));
    // Offsets are characters, not UTF-8 bytes: #R2 starts at character 4.
    EXPECT_EQ(colorAt(block(3), 4), editorColor(CodeColor::registerReference));
    EXPECT_EQ(colorAt(block(3), 3), std::nullopt);

    pins = 16; // the chip grew: SETIN 16 is now fine
    highlighter.pinCountChanged();
    EXPECT_EQ(colorAt(block(2), 6), std::nullopt);
}

TEST(CodePanel, TheEditorAndItsGutterFollowTheSessionAndTypingGoesBack) {
    test::WindowFixture f;
    CodeEditor* editor = f.window->codePanel()->editor();
    f.session.editor().setChipCode("SETOUT 1\nSETIN 15");
    EXPECT_EQ(editor->toPlainText(), QStringLiteral("SETOUT 1\nSETIN 15"));
    EXPECT_TRUE(editor->instructionMarks().at(1).hasError); // no pin 15 on 14 pins
    f.session.editor().setSelectedPins(16);
    EXPECT_FALSE(editor->instructionMarks().at(1).hasError);

    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\nLOOP 2"));
    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 1\nSETIN 15\nLOOP 2");
    EXPECT_EQ(editor->instructionMarks().back().number, 3);
}

TEST(CodePanel, GutterPaintsNumbersAndRedStars) {
    test::WindowFixture f;
    f.window->show();
    CodeEditor* editor = f.window->codePanel()->editor();
    f.session.editor().setChipCode("SETOUT 1\nBAD");
    const QImage gutter = editor->gutter()->grab().toImage();
    const QColor red = editorColor(CodeColor::error);
    const QColor background = editor->palette().color(QPalette::AlternateBase);
    auto rowHasColor = [&gutter, &background](int top, int bottom, const QColor& color) {
        for (int y = std::max(top, 0); y < std::min(bottom, gutter.height()); ++y)
            for (int x = 0; x < gutter.width(); ++x) {
                const QColor pixel = gutter.pixelColor(x, y);
                if (std::abs(pixel.red() - color.red()) < 40 &&
                    std::abs(pixel.green() - color.green()) < 40 &&
                    std::abs(pixel.blue() - color.blue()) < 40 && pixel != background)
                    return true;
            }
        return false;
    };
    const int line = editor->fontMetrics().height();
    const int top = static_cast<int>(editor->document()->documentMargin());
    EXPECT_FALSE(rowHasColor(top, top + line, red));
    EXPECT_TRUE(rowHasColor(top + line, top + 2 * line, red));
    EXPECT_TRUE(rowHasColor(top, top + line, gutterNumberColor()));
}

TEST(OpcodePanelView, InsertsTheChosenOpcodeWithNormalisedArgumentsByMouseOrKeyboard) {
    test::WindowFixture f;
    f.window->show();
    f.window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.window.get()));
    OpcodePanelView* panel = f.window->codePanel()->opcodePanel();
    f.session.editor().setChipCode("SETOUT 1");

    panel->categorySelector()->setCurrentIndex(0);
    QListWidget* list = panel->opcodeList();
    const auto items = list->findItems(QStringLiteral("LOOP\n"), Qt::MatchStartsWith);
    ASSERT_EQ(items.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(items[0]).center());
    EXPECT_EQ(panel->titleLabel()->text(), QStringLiteral("Opcode: LOOP"));
    QLineEdit* loops = panel->argumentField(0);
    ASSERT_NE(loops, nullptr);
    loops->selectAll();
    QTest::keyClicks(loops, QStringLiteral("0x10"));
    QTest::mouseClick(panel->insertButton(), Qt::LeftButton);

    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 1\nLOOP 16");
    EXPECT_TRUE(list->isVisible()); // back at the opcode list

    // The keyboard way: Enter on the list, type, Enter again.
    list->setFocus();
    list->setCurrentItem(list->findItems(QStringLiteral("ENDLOOP\n"), Qt::MatchStartsWith).at(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(panel->titleLabel()->text(), QStringLiteral("Opcode: ENDLOOP"));
    auto& model = f.window->codePanel()->opcodeModel();
    model.chooseOpcode(*opcodeOption("DELMS"));
    QTest::keyClick(panel->argumentField(0), Qt::Key_Escape); // back to the list
    EXPECT_FALSE(model.showOpcodePanel());
    EXPECT_TRUE(model.showOpcodeTools());
    model.chooseOpcode(*opcodeOption("DELMS"));
    QTest::keyClicks(panel->argumentField(0), QStringLiteral("5"));
    QTest::keyClick(panel->argumentField(0), Qt::Key_Return);
    ASSERT_TRUE(test::waitFor([&] { return f.session.editor().chipCode().ends_with("DELMS 05"); }));
    f.window->codePanel()->editor()->undo();
    // The insertion is one step of the editor's undo history.
    f.window->codePanel()->editor()->undo();
    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 1");
}

TEST(OpcodePanelView, RegisterMenusAndAddressPickersWriteTheirValues) {
    test::WindowFixture f;
    f.window->show();
    auto& model = f.window->codePanel()->opcodeModel();
    OpcodePanelView* panel = f.window->codePanel()->opcodePanel();

    model.chooseOpcode(*opcodeOption("ADD"));
    panel->registerMenuButton(0)->menu()->actions().at(6)->trigger(); // "#R5"
    panel->registerMenuButton(2)->menu()->actions().at(7)->trigger(); // "R7"
    EXPECT_EQ(model.opcodeArgValues(), (std::vector<std::string>{"#R5", "0", "7"}));
    EXPECT_EQ(panel->argumentField(0)->text(), QStringLiteral("#R5"));

    model.chooseOpcode(*opcodeOption("DEFADDR"));
    QComboBox* base = panel->argumentChoice(0);
    ASSERT_NE(base, nullptr);
    base->setCurrentIndex(1);
    Q_EMIT base->activated(1);
    EXPECT_EQ(model.opcodeArgValues()[0], "8");
    QTest::mouseClick(panel->pinPicker()->pinSquare(3), Qt::LeftButton);
    EXPECT_EQ(panel->pinPicker()->pinSquare(3)->label(), QStringLiteral("A8"));
    EXPECT_EQ(panel->argumentField(1)->text(), QStringLiteral("0x00000003"));
}

TEST(DipChipView, PinsRunDownTheLeftThenUpTheRight) {
    application();
    DipChipView view;
    view.setState(14, {2}, {{5, 1}}, 8);
    const auto at = [&view](int pin) { return view.pinSquare(pin)->geometry(); };
    EXPECT_EQ(at(1).top(), at(14).top()); // pin 14 faces pin 1
    EXPECT_EQ(at(7).top(), at(8).top());
    EXPECT_LT(at(1).left(), at(14).left());
    EXPECT_LT(at(1).top(), at(2).top());
    EXPECT_GT(at(13).top(), at(14).top());
    EXPECT_TRUE(view.pinSquare(2)->isSelected());
    EXPECT_EQ(view.pinSquare(5)->label(), QStringLiteral("A9"));
    EXPECT_EQ(view.pinSquare(15), nullptr);

    int clicked = 0;
    view.onPinClick = [&clicked](int pin) { clicked = pin; };
    QTest::mouseClick(view.pinSquare(9), Qt::LeftButton);
    EXPECT_EQ(clicked, 9);
}

} // namespace
} // namespace norix
