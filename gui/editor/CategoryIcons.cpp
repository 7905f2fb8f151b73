#include "gui/editor/CategoryIcons.h"

#include <QStyle>
#include <array>

namespace norix {
namespace {

struct IconMapping {
    std::string_view symbol;
    const char* themeName;
    QStyle::StandardPixmap fallback;
};

constexpr std::array<IconMapping, 7> mappings = {{
    {"arrow.triangle.branch", "media-playlist-shuffle", QStyle::SP_ArrowRight},
    {"switch.2", "network-wired", QStyle::SP_DriveNetIcon},
    {"memorychip", "media-flash", QStyle::SP_DriveHDIcon},
    {"function", "accessories-calculator", QStyle::SP_FileDialogDetailedView},
    {"timer", "appointment-soon", QStyle::SP_BrowserReload},
    {"puzzlepiece.extension", "application-x-addon", QStyle::SP_DirIcon},
    {"display", "video-display", QStyle::SP_ComputerIcon},
}};

} // namespace

QIcon categoryIcon(std::string_view symbolName, const QStyle* style) {
    for (const auto& mapping : mappings) {
        if (mapping.symbol == symbolName) {
            const QIcon fallback = style ? style->standardIcon(mapping.fallback) : QIcon();
            return QIcon::fromTheme(QString::fromLatin1(mapping.themeName), fallback);
        }
    }
    return style ? style->standardIcon(QStyle::SP_FileIcon) : QIcon();
}

} // namespace norix
