#pragma once
// The escaping of `--list` fields, so that every row stays one line of seven tab-separated fields
// whatever bytes a font name or a file name holds: backslash, tab, newline and carriage return
// become \\ \t \n \r; every other control character (C0, DEL, and the C1 range U+0080..U+009F in
// its UTF-8 form) becomes \xHH per byte. Other bytes, including non-UTF-8 ones, pass unchanged.
#include <optional>
#include <string>
#include <string_view>

std::string escapeListField(std::string_view bytes);
// The same appended to `out`.
void appendEscapedListField(std::string& out, std::string_view bytes);
// The exact inverse; nothing when the text holds a backslash that starts no escape above.
std::optional<std::string> unescapeListField(std::string_view text);
