// Command tables are plain arrays of rows whose first member is the code;
// this finds a code's row, or null when the protocol does not list it.
#pragma once

#include <cstddef>

template <class Row, size_t N>
const Row* FindRow(const Row (&table)[N], int code) {
    for (const Row& row : table)
        if (row.code == code) return &row;
    return nullptr;
}
