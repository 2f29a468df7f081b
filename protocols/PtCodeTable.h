// Command tables are arrays of rows whose first member is the PtCommand
// code; a code without a row is the caller's to handle.
#pragma once

#include <cstddef>

template <class Row, size_t N>
const Row* FindCode(const Row (&table)[N], int code) {
    for (const Row& row : table)
        if (row.code == code) return &row;
    return nullptr;
}
