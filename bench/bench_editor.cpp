// The code editor on a long program: one keystroke (recolouring of the edited
// line and the instruction gutter), loading a whole program into the editor,
// and the main window from construction to its first paint.

#include "core/chips/ChipSession.h"
#include "core/link/SerialPortManager.h"
#include "gui/app/CodePanel.h"
#include "gui/app/ContentView.h"
#include "gui/app/QtEventLoop.h"
#include "gui/editor/CodeEditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextBlock>
#include <QTextCursor>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <memory>
#include <string>

namespace {

QApplication& application() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "bench_editor";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own globals are gone by the time static objects
    // are, and a QApplication outliving them crashes at exit.
    static auto* app = new QApplication(argc, argv);
    return *app;
}

// A program of `lines` lines in the mix a real chip test has: DIM constants,
// comments, pin set-up, loops, register arithmetic and a few faulty lines.
std::string longProgram(int lines, const std::string& flavour = {}) {
    static const char* const body[] = {
        "SETOUT 1",    "SETIN 2", "MULTIO 3 4 5",  "SETPIN 1 HIGH",     "REGLOD 3 #R2",
        "ADD #R3 1 4", "LOOP 16", "  RDPIN 2 #R5", "  IF 0 #R5 HIGH",   "    PASSFAIL PASS",
        "  ENDIF",     "ENDLOOP", "DELMS 10",      "// check the gate", "DEFADDR 8 0x0201 0x0403",
        "SETIN 15",
    };
    std::string code = "DIM HIGH 1\nDIM LOW 0\nDIM PASS 1\n" + flavour;
    for (int i = 3; i < lines; ++i) {
        code += body[i % std::size(body)];
        code += i + 1 < lines ? "\n" : "";
    }
    return code;
}

struct EditorWindow {
    EditorWindow()
        : link((application(), loop), std::filesystem::temp_directory_path().string()),
          session(link), window(session) {
        window.show();
        QCoreApplication::processEvents();
    }
    norix::CodeEditor& editor() { return *window.codePanel()->editor(); }

    norix::QtEventLoop loop;
    norix::SerialPortManager link;
    norix::ChipSession session;
    norix::ContentView window;
};

constexpr int programLines = 4095;

void BM_KeystrokeOnLongProgram(benchmark::State& state) {
    EditorWindow w;
    w.session.editor().setChipCode(longProgram(programLines));
    norix::CodeEditor& editor = w.editor();
    QTextCursor cursor(editor.document()->findBlockByNumber(programLines / 2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    editor.setTextCursor(cursor);
    editor.ensureCursorVisible();
    QCoreApplication::processEvents();
    bool typed = false;
    for (auto _ : state) {
        // Typing a digit and deleting it again, alternately: each is one keystroke.
        QTextCursor at = editor.textCursor();
        if (typed)
            at.deletePreviousChar();
        else
            at.insertText(QStringLiteral("7"));
        typed = !typed;
        editor.gutter()->repaint();
        editor.viewport()->repaint();
    }
    state.counters["lines"] = programLines;
}
BENCHMARK(BM_KeystrokeOnLongProgram)->Unit(benchmark::kMillisecond);

void BM_LoadProgramIntoEditor(benchmark::State& state) {
    EditorWindow w;
    const std::string programs[] = {longProgram(programLines, "// a\n"),
                                    longProgram(programLines, "// b\n")};
    int next = 0;
    for (auto _ : state) {
        w.session.editor().setChipCode(programs[next]);
        next = 1 - next;
        w.editor().viewport()->repaint();
        w.editor().gutter()->repaint();
    }
    state.counters["lines"] = programLines;
}
BENCHMARK(BM_LoadProgramIntoEditor)->Unit(benchmark::kMillisecond);

// Counts the paints of a widget.
class PaintWatcher : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

void BM_WindowStartToFirstPaint(benchmark::State& state) {
    application();
    for (auto _ : state) {
        norix::QtEventLoop loop;
        norix::SerialPortManager link(loop, std::filesystem::temp_directory_path().string());
        norix::ChipSession session(link);
        auto window = std::make_unique<norix::ContentView>(session);
        PaintWatcher watcher;
        window->codePanel()->editor()->viewport()->installEventFilter(&watcher);
        window->show();
        while (!watcher.painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        window.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_WindowStartToFirstPaint)->Unit(benchmark::kMillisecond);

} // namespace
