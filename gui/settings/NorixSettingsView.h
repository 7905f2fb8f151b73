#pragma once
// The settings window: the Norix's startup logo and its speed, the indicator
// LEDs, the auxiliary output and the default font, each change sent to the
// device at once. It shows what the shared link last read and decides nothing
// itself: SettingsWindowModel does.

#include "core/settings/SettingsWindowModel.h"
#include "gui/app/ToolWindow.h"

#include <QWidget>
#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace norix {

class NorixConnection;

class NorixSettingsView : public QWidget, public ToolWindow {
    Q_OBJECT
public:
    explicit NorixSettingsView(NorixConnection& device, QWidget* parent = nullptr);

    // Every change is on the Norix already: nothing can be lost.
    bool confirmDiscardingChanges() override { return true; }

    SettingsWindowModel& model() { return model_; }
    QCheckBox* showLogoToggle() const { return showLogo_; }
    QPushButton* logoSpeedButton(int speed) const { return speedButtons_.at(speed); }
    QCheckBox* ledsToggle() const { return leds_; }
    QCheckBox* auxToggle() const { return aux_; }
    QLabel* defaultFontMessage() const { return fontMessage_; }
    QComboBox* fontPicker() const { return fontPicker_; }
    QLabel* currentFontLabel() const { return currentFont_; }
    QPushButton* setDefaultFontButton() const { return setDefaultFont_; }
    QLabel* statusLabel() const { return status_; }
    QLabel* errorLabel() const { return error_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* buildContent();
    void refresh();
    void refillFontPicker();

    SettingsWindowModel model_;
    QGroupBox* logoSection_ = nullptr;
    QGroupBox* ledsSection_ = nullptr;
    QGroupBox* auxSection_ = nullptr;
    QCheckBox* showLogo_ = nullptr;
    QButtonGroup* speedGroup_ = nullptr;
    std::array<QPushButton*, 3> speedButtons_{};
    QCheckBox* leds_ = nullptr;
    QCheckBox* aux_ = nullptr;
    QLabel* fontMessage_ = nullptr;
    QWidget* fontPickerRow_ = nullptr;
    QComboBox* fontPicker_ = nullptr;
    QLabel* currentFont_ = nullptr;
    QPushButton* setDefaultFont_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* error_ = nullptr;
    Connection connection_;
};

} // namespace norix
