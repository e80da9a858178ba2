#pragma once

#include "user_interaction.h"

class QWidget;

namespace velmora {

// Real dialogs: QMessageBox titled "Velmora" with Japanese buttons, QFileDialog.
class QtUserInteraction : public UserInteraction {
public:
    MessageAnswer messageBox(const QString& text, int style) override;
    MessageAnswer officeNotAnswering(const std::function<bool()>& waiting) override;
    std::optional<QString> getOpenFileName(const QString& filter, const QString& title) override;
    std::optional<QString> getSaveFileName(const SaveDialogOptions& options) override;
    void processEvents() override;
    void openUrl(const QString& url) override;
};

} // namespace velmora
