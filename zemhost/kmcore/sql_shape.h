// The shape of a statement: its text with every string literal turned into a parameter, and
// the literals' values. Statements that differ only in the values they quote share a shape,
// and so one compiled statement (why: docs/PERFORMANCE.md, "Storage speed-ups").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zem::kmcore {

struct SqlShape {
    std::string text;                   // each string literal replaced by "?"
    std::vector<std::string> literals;  // their values, quotes undone, in order
};

// False when the statement is better left as it is: it holds parameters of its own or a
// literal that does not end.
bool ShapeOf(std::string_view sql, SqlShape& shape);

}  // namespace zem::kmcore
