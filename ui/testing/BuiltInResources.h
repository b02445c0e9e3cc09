// SPDX-License-Identifier: GPL-3.0-or-later
// The resources compiled into the program, as the tests of its dialogs use them.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ui/ResourceStore.h"

namespace halvo::ui::testing {

// Loaded once per test program; when they cannot be loaded, the test that asked first fails
// with the reason and the store stays empty.
inline const ResourceStore& BuiltInResources() {
    static const ResourceStore store = [] {
        ResourceStore s;
        std::string error;
        if (!s.LoadBuiltIn(&error)) {
            ADD_FAILURE() << "the built-in resources: " << error;
        }
        return s;
    }();
    return store;
}

}  // namespace halvo::ui::testing
