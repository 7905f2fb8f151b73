// The test language on the largest program worth uploading: 4,095
// instructions that use every opcode, with DIMs, functions, calls and
// comments. The editor validates on every keystroke, so the per-line check
// over all lines is measured as the gutter runs it.

#include "core/language/CodeCompiler.h"
#include "core/language/CodeValidator.h"
#include "core/language/LoadedCodeFormatter.h"
#include "core/language/SourceText.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace norix {
namespace {

constexpr int instructionCount = 4095;
constexpr int pinCount = 16;

std::string argumentText(OpcodeArgType type, int counter) {
    static const char* values[] = {"5", "0x1F", "#R3", "LIMIT", "0b101", "COUNTER", "4000000000"};
    switch (type) {
    case OpcodeArgType::value:
        return values[counter % 7];
    case OpcodeArgType::registerSlot:
        return std::to_string(counter % 32);
    case OpcodeArgType::pin:
        return std::to_string(1 + counter % pinCount);
    case OpcodeArgType::pinList:
        return counter % 2 ? "0x0102" : "0x0304";
    case OpcodeArgType::sideBitfield:
        return "0xFF";
    case OpcodeArgType::addressGroup:
        return "8";
    case OpcodeArgType::addressIndex:
        return "4";
    case OpcodeArgType::text:
        return "F0";
    }
    return "0";
}

std::string generatedProgram() {
    std::string code = "// generated test program\nDIM LIMIT 0x10\nDIM COUNTER #R7\nDIM PIN 3\n"
                       "DIM MASK 0b1111\n/* setup block\n   spans lines */\n";
    std::vector<std::string> mnemonics;
    for (const auto& [mnemonic, word] : norixOpcodeWords())
        mnemonics.push_back(mnemonic);
    int instructions = 0;
    int functions = 0;
    for (int counter = 0; instructions < instructionCount; ++counter) {
        const std::string& mnemonic =
            mnemonics[static_cast<std::size_t>(counter) % mnemonics.size()];
        std::string line = "  " + mnemonic;
        if (mnemonic == "FUNC") {
            line += " F" + std::to_string(functions++);
        } else if (mnemonic == "CALL") {
            line += " f" + std::to_string(counter % (functions > 0 ? functions : 1));
        } else {
            for (const auto& arg : opcodeOption(mnemonic)->args)
                line += " " + argumentText(arg.type, counter);
        }
        if (counter % 5 == 0)
            line += "   // note " + std::to_string(counter);
        code += line + "\n";
        if (counter % 64 == 0)
            code += "SEVSEG 1 2 3\n\n";
        ++instructions;
    }
    return code;
}

const std::string& program() {
    static const std::string code = [] {
        std::string made = generatedProgram();
        const auto image = compileChipCode(made, pinCount, nullptr);
        if (!image || image->size() != instructionCount * instructionSize)
            std::abort();
        return made;
    }();
    return code;
}

void BM_CompileChipCode(benchmark::State& state) {
    const std::string& code = program();
    for (auto _ : state) {
        auto image = compileChipCode(code, pinCount, nullptr);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_CompileChipCode)->Unit(benchmark::kMicrosecond);

void BM_ValidateCode(benchmark::State& state) {
    const std::string& code = program();
    std::size_t length = 0;
    for (auto _ : state)
        validateCode(code, pinCount, [&](const std::string& entry) { length += entry.size(); });
    benchmark::DoNotOptimize(length);
}
BENCHMARK(BM_ValidateCode)->Unit(benchmark::kMicrosecond);

void BM_FormatLoadedNorixCode(benchmark::State& state) {
    const Bytes image = *compileChipCode(program(), pinCount, nullptr);
    for (auto _ : state) {
        auto text = formatLoadedNorixCode(image);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_FormatLoadedNorixCode)->Unit(benchmark::kMicrosecond);

// What the gutter does on a keystroke: the DIM table, then every line's errors.
void BM_ValidationErrorsAllLines(benchmark::State& state) {
    const std::string& code = program();
    for (auto _ : state) {
        const auto symbols = buildDimSymbols(code, nullptr);
        std::size_t errors = 0;
        int n = 1;
        for (std::string_view line : splitSourceLines(code)) {
            errors += validationErrors(line, n, *symbols, pinCount).size();
            ++n;
        }
        benchmark::DoNotOptimize(errors);
    }
}
BENCHMARK(BM_ValidationErrorsAllLines)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace norix
