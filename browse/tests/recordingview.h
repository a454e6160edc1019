#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browserview.h"

namespace browse::testing {

// A window stand-in that keeps the boxes' text and a log of every write and
// message in the order they came.
class RecordingView final : public BrowserView {
public:
    std::string type;
    std::string database;
    std::string boxes[3];
    std::vector<std::string> log;  // "Name=...", "DateCreated=...", "DateUpdated=...", "message:..."

    std::string SelectedType() const override { return type; }
    std::string DatabaseName() const override { return database; }
    void SetBoxText(Box box, std::string_view text) override {
        static const char* const names[] = {"Name", "DateCreated", "DateUpdated"};
        boxes[static_cast<int>(box)] = text;
        log.push_back(std::string(names[static_cast<int>(box)]) + "=" + std::string(text));
    }
    void ShowMessage(std::string_view text) override { log.push_back("message:" + std::string(text)); }
};

}  // namespace browse::testing
