#include "sim/FaultRules.h"

#include <charconv>
#include <cstdio>

namespace norix::sim {
namespace {

struct ActionName {
    std::string_view name;
    FaultAction action;
    bool takesArgument;
};

constexpr std::array<ActionName, 9> actionNames = {{
    {"drop", FaultAction::drop, false},
    {"retry", FaultAction::retry, false},
    {"fail", FaultAction::fail, false},
    {"badsize", FaultAction::badSize, false},
    {"crc", FaultAction::corruptCrc, false},
    {"delay", FaultAction::delay, true},
    {"split", FaultAction::split, true},
    {"hangup-before", FaultAction::hangUpBefore, false},
    {"hangup-after", FaultAction::hangUpAfter, false},
}};

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t colon = text.find(':', start);
        fields.push_back(
            text.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos)
            return fields;
        start = colon + 1;
    }
}

std::optional<unsigned> parseUnsigned(std::string_view text, int base = 10) {
    unsigned value = 0;
    const auto* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    return value;
}

bool isOccurrenceField(std::string_view field) {
    return field == "*" || parseUnsigned(field).has_value();
}

} // namespace

FaultRuleParse parseFaultRule(std::string_view text) {
    const auto fields = splitFields(text);
    if (fields.size() < 2)
        return {std::nullopt, "expected CODE[:N]:ACTION[:ARG]"};
    FaultRule rule;
    std::string_view code = fields[0];
    if (code != "*") {
        if (code.starts_with("0x") || code.starts_with("0X"))
            code.remove_prefix(2);
        const auto value = parseUnsigned(code, 16);
        if (!value || *value > 0xFF)
            return {std::nullopt, "invalid command code '" + std::string(fields[0]) + "'"};
        rule.code = static_cast<std::uint8_t>(*value);
    }
    std::size_t next = 1;
    if (fields.size() > 2 && isOccurrenceField(fields[1])) {
        if (fields[1] != "*") {
            rule.occurrence = parseUnsigned(fields[1]);
            if (*rule.occurrence == 0)
                return {std::nullopt, "occurrences are counted from 1"};
        }
        next = 2;
    }
    const std::string_view actionText = fields[next];
    const ActionName* action = nullptr;
    for (const auto& candidate : actionNames) {
        if (candidate.name == actionText)
            action = &candidate;
    }
    if (!action)
        return {std::nullopt, "unknown fault action '" + std::string(actionText) + "'"};
    rule.action = action->action;
    const std::size_t remaining = fields.size() - next - 1;
    if (action->takesArgument) {
        const auto argument = remaining == 1 ? parseUnsigned(fields[next + 1]) : std::nullopt;
        if (!argument || (rule.action == FaultAction::split && *argument == 0))
            return {std::nullopt,
                    "fault action '" + std::string(actionText) + "' needs a positive number"};
        rule.argument = *argument;
    } else if (remaining != 0) {
        return {std::nullopt, "fault action '" + std::string(actionText) + "' takes no argument"};
    }
    return {rule, {}};
}

std::string describeFaultRule(const FaultRule& rule) {
    std::string text;
    if (rule.code) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", *rule.code);
        text = hex;
    } else {
        text = "*";
    }
    text += ":" + (rule.occurrence ? std::to_string(*rule.occurrence) : std::string("*")) + ":";
    for (const auto& candidate : actionNames) {
        if (candidate.action == rule.action) {
            text += candidate.name;
            if (candidate.takesArgument)
                text += ":" + std::to_string(rule.argument);
        }
    }
    return text;
}

std::optional<FaultRule> FaultInjector::onCommand(std::uint8_t code) {
    const unsigned ofCode = ++perCode_[code];
    const unsigned overall = ++total_;
    for (const auto& rule : rules_) {
        if (rule.code && *rule.code != code)
            continue;
        if (rule.occurrence && *rule.occurrence != (rule.code ? ofCode : overall))
            continue;
        ++fired_;
        return rule;
    }
    return std::nullopt;
}

void FaultInjector::resetCounts() {
    perCode_.fill(0);
    total_ = 0;
    fired_ = 0;
}

} // namespace norix::sim
