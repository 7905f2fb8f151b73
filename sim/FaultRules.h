#pragma once
// Misbehaviour on command, so that every fault path of the application can be
// tested: a rule matches a command code and/or its n-th occurrence and then
// drops, replaces, corrupts, delays or splits the answer, or hangs up.
// Text form (command line): CODE[:N]:ACTION[:ARG], CODE a hexadecimal code
// such as 0xCB or * for any command, N the occurrence counted from 1 or * for
// every one, e.g. "0xCB:3:retry", "*:delay:200", "0xE4:1:split:2".

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norix::sim {

enum class FaultAction {
    drop,         // the command is carried out, its answer is lost
    retry,        // answer 0xB1 instead; the command is not carried out
    fail,         // answer 0xB3 instead; not carried out
    badSize,      // answer 0xB4 instead; not carried out
    corruptCrc,   // the answer goes out with a wrong CRC
    delay,        // the answer goes out `argument` ms later (loop clock)
    split,        // the answer is written in pieces of `argument` bytes
    hangUpBefore, // the port is closed instead of answering; not carried out
    hangUpAfter,  // the answer is written, then the port is closed
};

struct FaultRule {
    std::optional<std::uint8_t> code;   // none: any command
    std::optional<unsigned> occurrence; // none: every occurrence
    FaultAction action = FaultAction::drop;
    unsigned argument = 0; // delay in ms, piece size in bytes

    bool operator==(const FaultRule&) const = default;
};

struct FaultRuleParse {
    std::optional<FaultRule> rule;
    std::string error; // why the text is not a rule, when there is no rule
};

FaultRuleParse parseFaultRule(std::string_view text);
std::string describeFaultRule(const FaultRule& rule);

class FaultInjector {
public:
    void add(FaultRule rule) { rules_.push_back(rule); }
    void clear() { rules_.clear(); }
    const std::vector<FaultRule>& rules() const { return rules_; }

    // Counts one received command and returns the first rule that applies to it.
    std::optional<FaultRule> onCommand(std::uint8_t code);

    unsigned occurrences(std::uint8_t code) const { return perCode_[code]; }
    unsigned commandCount() const { return total_; }
    unsigned firedCount() const { return fired_; }
    void resetCounts();

private:
    std::vector<FaultRule> rules_;
    std::array<unsigned, 256> perCode_{};
    unsigned total_ = 0;
    unsigned fired_ = 0;
};

} // namespace norix::sim
