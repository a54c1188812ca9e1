#include "sql_shape.h"

#include "platform/text.h"

namespace zem::kmcore {

namespace {

bool IsIdentifierChar(char c) {
    return IsAsciiAlphanumeric(c) || c == '_' || c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

// The end of the text that opened at `start` and closes with `close` (a doubled `close`
// stands for itself), or npos when it does not end.
size_t QuotedEnd(std::string_view sql, size_t start, char close) {
    for (size_t i = start + 1; i < sql.size(); ++i) {
        if (sql[i] != close)
            continue;
        if (i + 1 < sql.size() && sql[i + 1] == close && close != ']') {
            ++i;
            continue;
        }
        return i + 1;
    }
    return std::string_view::npos;
}

}  // namespace

bool ShapeOf(std::string_view sql, SqlShape& shape) {
    shape.text.clear();
    shape.literals.clear();
    size_t copied = 0;  // sql[copied, i) still to be copied as it stands
    for (size_t i = 0; i < sql.size();) {
        const char c = sql[i];
        size_t end = i + 1;
        if (c == '\'') {
            end = QuotedEnd(sql, i, '\'');
            if (end == std::string_view::npos)
                return false;
            // x'...' is a blob, which a text parameter would not be.
            const bool blob = i > 0 && (sql[i - 1] == 'x' || sql[i - 1] == 'X') &&
                              (i == 1 || !IsIdentifierChar(sql[i - 2]));
            if (!blob) {
                // "'a'2" is no statement, but "?2" is a numbered parameter: such text is left
                // for SQLite to refuse.
                if (end < sql.size() && IsIdentifierChar(sql[end]))
                    return false;
                shape.text.append(sql, copied, i - copied);
                shape.text += '?';
                std::string value;
                for (size_t k = i + 1; k + 1 < end; ++k) {
                    value += sql[k];
                    if (sql[k] == '\'')
                        ++k;
                }
                shape.literals.push_back(std::move(value));
                copied = end;
            }
        } else if (c == '"' || c == '`' || c == '[') {
            end = QuotedEnd(sql, i, c == '[' ? ']' : c);
            if (end == std::string_view::npos)
                return false;
        } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
            end = sql.find('\n', i);
            end = end == std::string_view::npos ? sql.size() : end;
        } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
            end = sql.find("*/", i + 2);
            end = end == std::string_view::npos ? sql.size() : end + 2;
        } else if (c == '?' || c == ':' || c == '@' ||
                   (c == '$' && (i == 0 || !IsIdentifierChar(sql[i - 1])))) {
            return false;
        } else if (IsIdentifierChar(c)) {
            while (end < sql.size() && IsIdentifierChar(sql[end]))
                ++end;
        }
        i = end;
    }
    shape.text.append(sql, copied, std::string_view::npos);
    return true;
}

}  // namespace zem::kmcore
