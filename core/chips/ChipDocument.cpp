#include "core/chips/ChipDocument.h"

namespace norix {

ChipDocument::ChipDocument(std::string name_, std::int64_t pinCount_, std::int64_t chipType_,
                           std::int64_t imageIndex_, std::string code_,
                           std::vector<std::string> strings_)
    : name(std::move(name_)), pinCount(pinCount_), chipType(chipType_), imageIndex(imageIndex_),
      code(std::move(code_)), strings(std::move(strings_)) {}

void ChipDocument::clear() {
    *this = ChipDocument();
}

std::string ChipDocument::string(std::int64_t index) const {
    if (index < 0 || static_cast<std::uint64_t>(index) >= strings.size())
        return {};
    return strings[static_cast<std::size_t>(index)];
}

void ChipDocument::setString(std::int64_t index, std::string value) {
    if (index < 0 || static_cast<std::uint64_t>(index) >= strings.size())
        return;
    strings[static_cast<std::size_t>(index)] = std::move(value);
}

} // namespace norix
