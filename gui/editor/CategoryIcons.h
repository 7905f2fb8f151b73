#pragma once
// Icons for the opcode categories. The catalogue names symbols of another
// platform's icon set; here each maps to a freedesktop theme icon, with a
// built-in style icon when the theme has none.

#include <QIcon>
#include <string_view>

class QStyle;

namespace norix {

QIcon categoryIcon(std::string_view symbolName, const QStyle* style);

} // namespace norix
