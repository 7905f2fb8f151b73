#pragma once
// Diagnostic lines (port opening, failures, image chunks, menu commands) go to
// standard output and are never shown to the user. Tests and the CLI's quiet
// mode redirect them through a replaceable sink.

#include <functional>
#include <string>
#include <string_view>

namespace norix {

using DiagnosticSink = std::function<void(std::string_view line)>;

// Writes one line (a line feed is added) to the current sink.
void logLine(std::string_view line);

// Replaces the sink; returns the previous one. An empty sink restores stdout.
DiagnosticSink setDiagnosticSink(DiagnosticSink sink);

// Restores the previous sink when it goes out of scope.
class ScopedDiagnosticSink {
public:
    explicit ScopedDiagnosticSink(DiagnosticSink sink)
        : previous_(setDiagnosticSink(std::move(sink))) {}
    ~ScopedDiagnosticSink() { setDiagnosticSink(std::move(previous_)); }
    ScopedDiagnosticSink(const ScopedDiagnosticSink&) = delete;
    ScopedDiagnosticSink& operator=(const ScopedDiagnosticSink&) = delete;

private:
    DiagnosticSink previous_;
};

} // namespace norix
