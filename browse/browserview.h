#pragma once

#include <string_view>

namespace browse {

// The three boxes a row is shown in.
enum class Box { Name, DateCreated, DateUpdated };

// What the browsing logic may do to its window while an operation runs, and
// all it may touch of it: the window hands over its inputs before an Open
// starts, so nothing here is read back from another thread. Text crosses as
// UTF-8, which need not be valid: the window decides how to show bytes that
// are not.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    // Replaces the whole content of one box.
    virtual void SetBoxText(Box box, std::string_view text) = 0;
    // Shows a modal message and returns once the user has dismissed it.
    virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace browse
