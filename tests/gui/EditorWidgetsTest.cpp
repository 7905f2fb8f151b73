// The main window's layout, and the code editor and its tools as typed into and clicked.

#include "core/language/OpcodeCatalogue.h"
#include "gui/app/CodePanel.h"
#include "gui/editor/CodeEditor.h"
#include "gui/editor/DipChipView.h"
#include "gui/editor/EditorColors.h"
#include "gui/editor/OpcodePanelView.h"
#include "tests/gui/GuiTestSupport.h"

#include <QMenu>
#include <QSplitter>
#include <QTextLayout>

namespace norix {
namespace {

// Whether the widget is shown and wholly inside its window.
bool wholeInWindow(const QWidget* widget) {
    const QRect inWindow(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
    return widget->isVisible() && widget->window()->rect().contains(inWindow);
}

// The colour the highlighter gave the text at `position` of `block`.
std::optional<QColor> colorAt(const QTextBlock& block, int position) {
    for (const auto& range : block.layout()->formats())
        if (position >= range.start && position < range.start + range.length)
            return range.format.foreground().color();
    return std::nullopt;
}

// Whether the gutter paints something near `color` (and not its background)
// in the rows of the editor's line `line`.
bool gutterLineHas(const CodeEditor& editor, int line, const QColor& color) {
    const QImage gutter = editor.gutter()->grab().toImage();
    const QColor background = editor.palette().color(QPalette::AlternateBase);
    const int height = editor.fontMetrics().height();
    const int top = static_cast<int>(editor.document()->documentMargin()) + line * height;
    for (int y = std::max(top, 0); y < std::min(top + height, gutter.height()); ++y)
        for (int x = 0; x < gutter.width(); ++x) {
            const QColor pixel = gutter.pixelColor(x, y);
            if (std::abs(pixel.red() - color.red()) < 40 &&
                std::abs(pixel.green() - color.green()) < 40 &&
                std::abs(pixel.blue() - color.blue()) < 40 && pixel != background)
                return true;
        }
    return false;
}

TEST(MainWindowLayout, AtTheSmallestSizeTheEditorShowsTwelveLinesAndTheSizeIsRemembered) {
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

    // The next run opens at the same size with the same splitters.
    f.window->dialogs().askAboutUnsavedChanges = [] { return UnsavedChoice::discard; };
    f.window->resize(1000, 650);
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

// Which piece gets which colour, and which line is wrong, is the core's; here,
// that each colour lands where it belongs and the gutter follows the pin count.
TEST(CodeEditor, ColoursAndGutterMarksFollowTheCodeThePinCountAndThePalette) {
    test::WindowFixture f;
    f.window->show();
    CodeEditor* editor = f.window->codePanel()->editor();
    f.session.editor().setChipCode("   setout 5\nREGLOD 3 #R4\nSETIN 16\n\u00e9t\u00e9 #R2");
    const auto block = [editor](int n) { return editor->document()->findBlockByNumber(n); };
    EXPECT_EQ(colorAt(block(0), 3), editorColor(CodeColor::opcode));
    EXPECT_EQ(colorAt(block(0), 0), std::nullopt); // leading spaces keep no colour
    EXPECT_EQ(colorAt(block(1), 9), editorColor(CodeColor::registerReference));
    EXPECT_EQ(colorAt(block(2), 6), editorColor(CodeColor::error));
    // Offsets are characters, not UTF-8 bytes: #R2 starts at character 4.
    EXPECT_EQ(colorAt(block(3), 4), editorColor(CodeColor::registerReference));
    EXPECT_EQ(colorAt(block(3), 3), std::nullopt);
    const QColor red = editorColor(CodeColor::error);
    EXPECT_TRUE(gutterLineHas(*editor, 0, gutterNumberColor()));
    EXPECT_FALSE(gutterLineHas(*editor, 0, red));
    EXPECT_TRUE(gutterLineHas(*editor, 2, red)); // no pin 16 on 14 pins

    f.session.editor().setSelectedPins(16); // the chip grew: SETIN 16 is now fine
    EXPECT_EQ(colorAt(block(2), 6), std::nullopt);
    EXPECT_FALSE(gutterLineHas(*editor, 2, red));
    QTextCursor cursor(editor->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("\nLOOP 2"));
    EXPECT_TRUE(f.session.editor().chipCode().ends_with("#R2\nLOOP 2"));

    QPalette dark = editor->palette();
    dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
    editor->setPalette(dark);
    EXPECT_EQ(colorAt(block(1), 0), editorColor(CodeColor::opcode, true));
    for (auto colour :
         {CodeColor::opcode, CodeColor::registerReference, CodeColor::comment, CodeColor::error})
        EXPECT_GT(editorColor(colour, true).lightness(), 128);
}

TEST(CodeEditor, TabInsertsSpacesToTheNextStopAndALongLineWrapsNumberedOnItsFirstLine) {
    test::WindowFixture f;
    f.window->resize(900, 600);
    f.window->show();
    CodeEditor* editor = f.window->codePanel()->editor();
    f.session.editor().setChipCode("");
    editor->setFocus();
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("SETOUT"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("1"));
    EXPECT_EQ(f.session.editor().chipCode(), "    SETOUT  1");
    EXPECT_FALSE(editor->instructionMarks().at(0).hasError);

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
    EXPECT_LT(number.top(), editor->numberRect(1).top() - 2 * number.height());
    EXPECT_LE(
        std::abs(number.center().y() - (number.top() + static_cast<int>(firstLine.height() / 2))),
        2);
}

TEST(OpcodePanelView, InsertsByMouseOrKeyboardAsOneUndoStepAndPickersWriteValues) {
    test::WindowFixture f;
    f.window->show();
    ASSERT_TRUE(test::activate(*f.window));
    OpcodePanelView* panel = f.window->codePanel()->opcodePanel();
    f.session.editor().setChipCode("SETOUT 1");

    panel->categorySelector()->setCurrentIndex(0);
    QListWidget* list = panel->opcodeList();
    QListWidgetItem* loop = list->findItems(QStringLiteral("LOOP\n"), Qt::MatchStartsWith).at(0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(loop).center());
    EXPECT_EQ(panel->titleLabel()->text(), QStringLiteral("Opcode: LOOP"));
    QLineEdit* loops = panel->argumentField(0);
    ASSERT_NE(loops, nullptr);
    loops->selectAll();
    QTest::keyClicks(loops, QStringLiteral("0x10"));
    QTest::mouseClick(panel->insertButton(), Qt::LeftButton);
    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 1\nLOOP 16");
    EXPECT_TRUE(list->isVisible()); // back at the opcode list

    // The keyboard way: Enter on the list; Escape goes back; type, Enter inserts.
    list->setFocus();
    list->setCurrentItem(list->findItems(QStringLiteral("ENDLOOP\n"), Qt::MatchStartsWith).at(0));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(panel->titleLabel()->text(), QStringLiteral("Opcode: ENDLOOP"));
    auto& model = f.window->codePanel()->opcodeModel();
    model.chooseOpcode(*opcodeOption("DELMS"));
    QTest::keyClick(panel->argumentField(0), Qt::Key_Escape);
    EXPECT_FALSE(model.showOpcodePanel());
    model.chooseOpcode(*opcodeOption("DELMS"));
    QTest::keyClicks(panel->argumentField(0), QStringLiteral("5"));
    QTest::keyClick(panel->argumentField(0), Qt::Key_Return);
    ASSERT_TRUE(test::waitFor([&] { return f.session.editor().chipCode().ends_with("DELMS 05"); }));
    // Each insertion is one step of the editor's undo history.
    f.window->codePanel()->editor()->undo();
    f.window->codePanel()->editor()->undo();
    EXPECT_EQ(f.session.editor().chipCode(), "SETOUT 1");

    // Register menus and address pickers write their values.
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
    test::application();
    DipChipView view;
    view.setState(14, {2}, {{5, 1}}, 8);
    const auto at = [&view](int pin) { return view.pinSquare(pin)->geometry(); };
    EXPECT_EQ(at(1).top(), at(14).top()); // pin 14 faces pin 1
    EXPECT_LT(at(1).left(), at(14).left());
    EXPECT_LT(at(1).top(), at(2).top());
    EXPECT_GT(at(13).top(), at(14).top());
    EXPECT_TRUE(view.pinSquare(2)->isSelected());
    EXPECT_EQ(view.pinSquare(5)->label(), QStringLiteral("A9"));

    int clicked = 0;
    view.onPinClick = [&clicked](int pin) { clicked = pin; };
    QTest::mouseClick(view.pinSquare(9), Qt::LeftButton);
    EXPECT_EQ(clicked, 9);
}

} // namespace
} // namespace norix
