#include "core/util/DiagnosticLog.h"

#include <cstdio>
#include <utility>

namespace norix {
namespace {

DiagnosticSink& currentSink() {
    static DiagnosticSink sink;
    return sink;
}

} // namespace

void logLine(std::string_view line) {
    if (const auto& sink = currentSink()) {
        sink(line);
        return;
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

DiagnosticSink setDiagnosticSink(DiagnosticSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

} // namespace norix
