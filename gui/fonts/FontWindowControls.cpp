#include "gui/fonts/FontWindowControls.h"

#include <QHelpEvent>
#include <QLabel>
#include <QSpinBox>
#include <QToolTip>

namespace norix {

QSpinBox* makeStepper(const QString& prefix, const QString& suffix, std::int64_t maximum,
                      std::int64_t value) {
    auto* box = new QSpinBox;
    box->setPrefix(prefix);
    box->setSuffix(suffix);
    box->setRange(1, static_cast<int>(maximum));
    box->setSingleStep(1);
    box->setValue(static_cast<int>(value));
    return box;
}

void makeHeading(QLabel* label, int pixelSize) {
    QFont heading = label->font();
    heading.setBold(true);
    heading.setPixelSize(pixelSize);
    label->setFont(heading);
}

void showHelpText(QWidget* widget, const QHelpEvent& event, const QString& text) {
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event.globalPos(), text, widget);
}

} // namespace norix
