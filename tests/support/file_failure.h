// The CFileException an operation throws, for the Windows file tests; a failure of the test
// when it throws none.
#pragma once

#include <gtest/gtest.h>

#include "foundation/errors.h"

template <typename Operation>
CFileException FileFailureOf(Operation operation) {
    try {
        operation();
    } catch (const CFileException& e) {
        return e;
    }
    ADD_FAILURE() << "no CFileException";
    return CFileException(0, L"", 0);
}
