#pragma once

#include <string>
#include <string_view>

namespace browse {

// The three boxes a row is shown in.
enum class Box { Name, DateCreated, DateUpdated };

// What the browsing logic needs from its window, and all it may touch of it.
// Text crosses as UTF-8, which need not be valid: the window decides how to
// show bytes that are not.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    // The text of the selected object kind, or "" when none is selected.
    virtual std::string SelectedType() const = 0;
    // The database name exactly as typed.
    virtual std::string DatabaseName() const = 0;
    // Replaces the whole content of one box.
    virtual void SetBoxText(Box box, std::string_view text) = 0;
    // Shows a modal message and returns once the user has dismissed it.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace browse
