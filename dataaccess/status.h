#pragma once

#include <string>

namespace dataaccess {

// The outcome of every data-access call, and of everything else that can go
// wrong in the program: number 0 is success; any other number is an error
// whose range says who raised it (100-199 the program, 1000-1999 this layer,
// 2000-2999 a provider) and whose description is written for the user.
// Success carries an empty description, so checking it never allocates.
struct Status {
    int number = 0;
    std::string description;

    bool ok() const noexcept { return number == 0; }
};

}  // namespace dataaccess
