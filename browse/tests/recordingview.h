#pragma once

#include <string>
#include <vector>

#include "browserview.h"

namespace browse::testing {

// A window stand-in: answers with what a user chose, and logs every box
// write ("Name=...") and message ("message:...") in the order they came.
struct RecordingView final : BrowserView {
    std::string type, database;
    std::vector<std::string> log;

    std::string SelectedType() const override { return type; }
    std::string DatabaseName() const override { return database; }
    void SetBoxText(Box box, std::string_view text) override {
        static const char* const names[] = {"Name=", "DateCreated=", "DateUpdated="};
        log.push_back(names[static_cast<int>(box)] + std::string(text));
    }
    void ShowMessage(std::string_view text) override { log.push_back("message:" + std::string(text)); }
};

}  // namespace browse::testing
