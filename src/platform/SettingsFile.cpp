#include "platform/SettingsFile.h"

#include <cstdint>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Only printable ASCII and tabs stand in a store any writer made; anything
// else is damage (a NUL, binary junk, a text in another encoding).
bool LineBytesIntact(std::string_view line)
{
    for (char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\t')
            continue;
        if (c < 0x20 || c >= 0x7F)
            return false;
    }
    return true;
}

// A key as it stands in the text ("Varo\KOLA5500\%40") -> "Varo/KOLA5500/@".
// Empty parts vanish; false when an escape does not read or nothing is left.
bool UnescapeKey(std::string_view text, std::string& key, std::string& raw)
{
    raw.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' || c == '/') {
            raw.push_back('/');
            continue;
        }
        if (c != '%') {
            raw.push_back(c);
            continue;
        }
        unsigned value = 0;
        std::size_t digits = 2;
        std::size_t at = i + 1;
        if (at < text.size() && text[at] == 'U') {
            digits = 4;
            ++at;
        }
        if (at + digits > text.size())
            return false;
        for (std::size_t k = 0; k < digits; ++k) {
            const int d = HexDigit(text[at + k]);
            if (d < 0)
                return false;
            value = value * 16 + static_cast<unsigned>(d);
        }
        // Keys are Latin-1 bytes here.
        if (value > 0xFF)
            return false;
        raw.push_back(static_cast<char>(value));
        i = at + digits - 1;
    }
    key.clear();
    std::size_t start = 0;
    while (start <= raw.size()) {
        std::size_t end = raw.find('/', start);
        if (end == std::string::npos)
            end = raw.size();
        if (end > start) {
            if (!key.empty())
                key.push_back('/');
            key.append(raw, start, end - start);
        }
        start = end + 1;
    }
    return !key.empty();
}

// A value as it stands in the text -> its characters (code points up to
// 0xFFFF). Quotes group, escapes as in C; an unquoted ';' starts a comment;
// an unquoted ',' would make a list, which this store never holds.
bool UnescapeValueChars(std::string_view text, std::vector<std::uint32_t>& out)
{
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (!quoted && c == ';')
            break;
        if (!quoted && c == ',')
            return false;
        if (c != '\\') {
            out.push_back(static_cast<unsigned char>(c));
            continue;
        }
        if (++i >= text.size())
            return false;
        const char e = text[i];
        switch (e) {
        case 'a':
            out.push_back('\a');
            break;
        case 'b':
            out.push_back('\b');
            break;
        case 'f':
            out.push_back('\f');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        case 't':
            out.push_back('\t');
            break;
        case 'v':
            out.push_back('\v');
            break;
        case '"':
        case '\'':
        case '?':
        case '\\':
        case ';':
        case ',':
            out.push_back(static_cast<unsigned char>(e));
            break;
        case 'x': {
            std::uint32_t value = 0;
            std::size_t digits = 0;
            while (i + 1 < text.size() && HexDigit(text[i + 1]) >= 0) {
                value = value * 16 + static_cast<std::uint32_t>(HexDigit(text[++i]));
                if (++digits > 4)
                    return false;
            }
            if (digits == 0)
                return false;
            out.push_back(value);
            break;
        }
        default:
            if (e < '0' || e > '7')
                return false;
            {
                std::uint32_t value = static_cast<std::uint32_t>(e - '0');
                std::size_t digits = 1;
                while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7') {
                    value = value * 8 + static_cast<std::uint32_t>(text[++i] - '0');
                    if (++digits > 6)
                        return false;
                }
                if (value > 0xFFFF)
                    return false;
                out.push_back(value);
            }
            break;
        }
    }
    return !quoted;
}

bool ToLatin1(const std::vector<std::uint32_t>& chars, std::size_t from, std::size_t to, std::string& bytes)
{
    bytes.clear();
    bytes.reserve(to - from);
    for (std::size_t i = from; i < to; ++i) {
        if (chars[i] > 0xFF)
            return false;
        bytes.push_back(static_cast<char>(chars[i]));
    }
    return true;
}

bool StartsWith(const std::vector<std::uint32_t>& chars, std::string_view prefix)
{
    if (chars.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (chars[i] != static_cast<unsigned char>(prefix[i]))
            return false;
    }
    return true;
}

bool ParseValue(std::string_view text, SettingsValue& value, std::vector<std::uint32_t>& chars)
{
    chars.clear();
    if (!UnescapeValueChars(text, chars))
        return false;
    constexpr std::string_view kBytes = "@ByteArray(";
    if (StartsWith(chars, kBytes)) {
        if (chars.back() != ')')
            return false;
        value.isBytes = true;
        return ToLatin1(chars, kBytes.size(), chars.size() - 1, value.data);
    }
    value.isBytes = false;
    if (StartsWith(chars, "@@"))
        return ToLatin1(chars, 1, chars.size(), value.data);
    if (StartsWith(chars, "@Invalid()") && chars.size() == 10) {
        value.data.clear();
        return true;
    }
    // Other typed values (@Variant, @Rect, ...) are never written here.
    if (StartsWith(chars, "@"))
        return false;
    return ToLatin1(chars, 0, chars.size(), value.data);
}

bool PlainKeyChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

void AppendHex(std::string& out, unsigned char c)
{
    static const char kHex[] = "0123456789abcdef";
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0xF]);
}

} // namespace

SettingsParse ParseSettingsText(std::string_view text)
{
    SettingsParse result;
    std::string group;
    // Scratch reused from line to line: a store has hundreds of lines.
    std::string raw;
    std::string key;
    std::vector<std::uint32_t> chars;
    std::size_t pos = 0;
    auto skip = [&result] {
        result.damaged = true;
        ++result.skippedLines;
    };
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            // The file ends inside a line: whatever it holds was cut.
            if (!Trim(text.substr(pos)).empty())
                skip();
            break;
        }
        std::string_view line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!LineBytesIntact(line)) {
            skip();
            continue;
        }
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            // Every key this store's writer puts down carries its whole
            // path, so after a section line that does not read the keys are
            // taken as whole paths.
            std::string name;
            const std::string_view inner = line.size() >= 2 && line.back() == ']'
                                               ? Trim(line.substr(1, line.size() - 2))
                                               : std::string_view();
            if (inner.empty() || inner == "General" || !UnescapeKey(inner, name, raw)) {
                if (inner != "General")
                    skip();
                group.clear();
            } else {
                group = name;
            }
            continue;
        }
        const std::size_t eq = line.find('=');
        SettingsValue value;
        if (eq == std::string_view::npos || !UnescapeKey(Trim(line.substr(0, eq)), key, raw) ||
            !ParseValue(Trim(line.substr(eq + 1)), value, chars)) {
            skip();
            continue;
        }
        if (group.empty()) {
            result.entries.insert_or_assign(std::move(key), std::move(value));
            continue;
        }
        std::string full;
        full.reserve(group.size() + 1 + key.size());
        full.append(group).append(1, '/').append(key);
        result.entries.insert_or_assign(std::move(full), std::move(value));
    }
    return result;
}

namespace {

void AppendEscapedKey(std::string& out, std::string_view key)
{
    for (char ch : key) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/') {
            out.push_back('\\');
        } else if (PlainKeyChar(c)) {
            out.push_back(ch);
        } else {
            out.push_back('%');
            AppendHex(out, c);
        }
    }
}

// The value's text is walked in its pieces (prefix, data, suffix) rather than
// joined first: saving writes every value of the store.
void AppendEscapedValue(std::string& out, const SettingsValue& value)
{
    std::string_view prefix;
    std::string_view suffix;
    if (value.isBytes) {
        prefix = "@ByteArray(";
        suffix = ")";
    } else if (!value.data.empty() && value.data.front() == '@') {
        prefix = "@";
    }
    const std::string_view pieces[] = {prefix, value.data, suffix};

    bool plain = true;
    for (std::string_view piece : pieces) {
        for (char ch : piece) {
            const auto c = static_cast<unsigned char>(ch);
            if (!PlainKeyChar(c) && c != ':')
                plain = false;
        }
    }
    if (plain) {
        for (std::string_view piece : pieces)
            out.append(piece);
        return;
    }

    out.push_back('"');
    bool afterHex = false;
    for (std::string_view piece : pieces) {
        for (char ch : piece) {
            const auto c = static_cast<unsigned char>(ch);
            if (c == '"' || c == '\\') {
                out.push_back('\\');
                out.push_back(ch);
                afterHex = false;
            } else if (c >= 0x20 && c < 0x7F && !(afterHex && HexDigit(ch) >= 0)) {
                out.push_back(ch);
                afterHex = false;
            } else {
                // A hex digit right after a hex escape would be read as part of it.
                out += "\\x";
                AppendHex(out, c);
                afterHex = true;
            }
        }
    }
    out.push_back('"');
}

} // namespace

std::string EscapeSettingsKey(std::string_view key)
{
    std::string out;
    AppendEscapedKey(out, key);
    return out;
}

std::string EscapeSettingsValue(const SettingsValue& value)
{
    std::string out;
    AppendEscapedValue(out, value);
    return out;
}

std::string FormatSettingsText(const SettingsEntries& entries)
{
    std::size_t size = 0;
    for (const auto& [key, value] : entries)
        size += key.size() + value.data.size() + 16;
    std::string out;
    out.reserve(size);
    for (const auto& [key, value] : entries) {
        AppendEscapedKey(out, key);
        out.push_back('=');
        AppendEscapedValue(out, value);
        out.push_back('\n');
    }
    return out;
}
