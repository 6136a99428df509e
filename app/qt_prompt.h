#pragma once
// The view's questions to the user as Qt message boxes and file dialogs, titled "Mienwright".

#include "authoring/prompt.h"

#include <QStringList>

class QWidget;

namespace mw {

class QtPrompt : public Prompt {
public:
    // Dialogs are modal over `parent`.
    explicit QtPrompt(QWidget* parent) : parent_(parent) {}

    void message(const std::string& text) override;
    void failure(const std::string& text) override;
    bool question(const std::string& text) override;
    std::optional<std::filesystem::path> chooseOpenFile() override;
    std::vector<std::filesystem::path> chooseOpenFiles() override;
    std::optional<std::filesystem::path> chooseSaveFile() override;
    // Yes is the default button; Escape and the close box answer Cancel.
    Answer questionWithCancel(const std::string& text) override;
    std::optional<std::filesystem::path> chooseExportFile() override;
    std::optional<std::filesystem::path> chooseObjExportFile() override;
    std::optional<std::filesystem::path> chooseMorphExportFolder() override;

    // The filters of the open dialogs: every face the editor reads first, then all files.
    static QStringList openFilters();

private:
    QWidget* parent_;
};

}  // namespace mw
