#pragma once
// A Prompt that answers from a script and records what it was asked.

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "authoring/prompt.h"

namespace mw::test {

class ScriptedPrompt : public Prompt {
public:
    void message(const std::string& text) override { messages.push_back(text); }
    void failure(const std::string& text) override
    {
        messages.push_back(text);
        failures.push_back(text);
    }
    bool question(const std::string& text) override
    {
        questions.push_back(text);
        return pop(answers, false);
    }
    std::optional<std::filesystem::path> chooseOpenFile() override { return pop(openFiles, {}); }
    std::optional<std::filesystem::path> chooseSaveFile() override { return pop(saveFiles, {}); }
    Answer questionWithCancel(const std::string& text) override
    {
        questions.push_back(text);
        return pop(threeWayAnswers, Answer::Cancel);
    }
    std::optional<OpenFaceChoice> chooseOpenFace(bool faceLoaded) override
    {
        openFaceOffers.push_back(faceLoaded);
        return pop(openFaceChoices, {});
    }
    std::vector<std::filesystem::path> chooseOpenFiles() override { return pop(openFileLists, {}); }
    std::optional<std::filesystem::path> chooseExportFile() override { return pop(exportFiles, {}); }
    std::optional<std::filesystem::path> chooseObjExportFile() override { return pop(objExportFiles, {}); }
    std::optional<std::filesystem::path> chooseMorphExportFolder() override { return pop(exportFolders, {}); }

    std::vector<std::string> messages;  // failures among them
    std::vector<std::string> failures;
    std::vector<std::string> questions;
    std::deque<bool> answers;                                    // for question(); No when empty
    std::deque<std::optional<std::filesystem::path>> openFiles;  // cancelled when empty
    std::deque<std::optional<std::filesystem::path>> saveFiles;  // cancelled when empty
    std::deque<Answer> threeWayAnswers;                          // Cancel when empty
    std::deque<std::optional<OpenFaceChoice>> openFaceChoices;   // cancelled when empty
    std::vector<bool> openFaceOffers;                            // whether a face was loaded, each time
    std::deque<std::vector<std::filesystem::path>> openFileLists;  // for chooseOpenFiles; none when empty
    std::deque<std::optional<std::filesystem::path>> objExportFiles;  // cancelled when empty
    std::deque<std::optional<std::filesystem::path>> exportFolders;   // cancelled when empty
    std::deque<std::optional<std::filesystem::path>> exportFiles;  // cancelled when empty

private:
    template <typename T>
    static T pop(std::deque<T>& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T front = std::move(queue.front());
        queue.pop_front();
        return front;
    }
};

}  // namespace mw::test
