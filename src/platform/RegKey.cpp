#include "platform/RegKey.h"

#include "platform/Paths.h"
#include "platform/SettingsFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

// Each value is one entry of the store; its key is the key path with '/' in
// place of '\' followed by the value's name:
//   DWORD   "dword:0000002a"   (eight hex digits, as in registry exports)
//   binary  "hex:01ff"
//   string  a byte string, so that every byte (NULs, Latin-1) comes back as is
// A key that has no value yet holds the marker entry kKeyMarker.

namespace {

const std::string kKeyMarker = ".key";
// A settings store is a few kilobytes; anything this large is not one.
constexpr std::size_t kMaxStoreBytes = 16u << 20;

std::mutex& StoreMutex()
{
    static std::mutex m;
    return m;
}

std::string& TestStoreFile()
{
    static std::string file; // guarded by StoreMutex
    return file;
}

std::string DefaultStoreFile()
{
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = (xdg && xdg[0] == '/') ? std::string(xdg) : Paths::HomeDir() + "/.config";
    return base + "/Varo/KOLA5500.conf";
}

std::string TestMemoryFileName();

std::string StoreFileLocked()
{
    if (!TestMemoryFileName().empty())
        return TestMemoryFileName(); // the store is held in memory: no path to build
    return TestStoreFile().empty() ? DefaultStoreFile() : TestStoreFile();
}

// "Software\\Varo\\KOLA5500\\" -> "Software/Varo/KOLA5500"; empty parts vanish.
// Appends the key path's parts joined by '/' (whole parts at a time: every
// key read goes through here).
void AppendGroup(std::string& out, const std::string& path)
{
    const std::size_t start = out.size();
    std::size_t at = 0;
    while (at < path.size()) {
        std::size_t end = at;
        while (end < path.size() && path[end] != '\\' && path[end] != '/')
            ++end;
        if (end > at) {
            if (out.size() > start)
                out += '/';
            out.append(path, at, end - at);
        }
        at = end + 1;
    }
}

std::string GroupOf(const std::string& path)
{
    std::string group;
    group.reserve(path.size());
    AppendGroup(group, path);
    return group;
}

// Value names hold no separators of their own; an empty name is the key's
// unnamed value.
void AppendEntryName(std::string& entry, const std::string& name)
{
    entry += '/';
    if (name.empty()) {
        entry += '@';
        return;
    }
    const std::size_t at = entry.size();
    entry += name;
    for (std::size_t i = at; i < entry.size(); ++i) {
        if (entry[i] == '\\' || entry[i] == '/')
            entry[i] = '_';
    }
}

std::string EntryOf(const std::string& group, const std::string& name)
{
    std::string entry;
    entry.reserve(group.size() + 1 + std::max<std::size_t>(name.size(), 1));
    entry = group;
    AppendEntryName(entry, name);
    return entry;
}

// Whether any entry lies under "group/". Entries of a sibling such as
// "group-x/..." sort between "group" and "group/", so the search walks past
// them instead of building the prefix.
bool KeyExists(const SettingsEntries& entries, const std::string& group)
{
    for (auto it = entries.lower_bound(group); it != entries.end(); ++it) {
        const std::string& key = it->first;
        if (key.compare(0, group.size(), group) != 0)
            return false;
        if (key.size() > group.size() && key[group.size()] == '/')
            return true;
        if (key.size() > group.size() && static_cast<unsigned char>(key[group.size()]) > '/')
            return false;
    }
    return false;
}

struct Store
{
    bool exists = false;
    bool readable = true;
    std::string bytes;
    SettingsParse parse;
};

std::string*& TestMemoryText()
{
    static std::string* text = nullptr; // guarded by StoreMutex
    return text;
}

std::string TestMemoryFileName()
{
    return TestMemoryText() ? std::string("(memory)") : std::string();
}

// The parse of the store held in memory, kept from the moment the text is
// handed over until it is handed over again: every key read asks for the
// store, and a fuzz input must cost one parse, not one a key. Guarded by
// StoreMutex.
struct MemoryCache
{
    bool valid = false;
    Store store;
};

MemoryCache& TestMemoryCache()
{
    static MemoryCache cache;
    return cache;
}

// The store as last read; the caller holds StoreMutex while it uses it.
Store& ReadStore(const std::string& file)
{
    if (const std::string* memory = TestMemoryText()) {
        MemoryCache& cache = TestMemoryCache();
        if (!cache.valid) {
            Store& m = cache.store;
            m = Store{};
            m.exists = true;
            m.bytes.assign(*memory, 0, std::min(memory->size(), kMaxStoreBytes));
            m.parse = ParseSettingsText(m.bytes);
            if (memory->size() > kMaxStoreBytes)
                m.parse.damaged = true;
            cache.valid = true;
        }
        return cache.store;
    }
    static Store s;
    s = Store{};
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        s.readable = errno == ENOENT;
        return s;
    }
    s.exists = true;
    char buffer[16384];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        s.bytes.append(buffer, n);
        if (s.bytes.size() > kMaxStoreBytes)
            break;
    }
    s.readable = !std::ferror(f);
    std::fclose(f);
    s.parse = ParseSettingsText(std::string_view(s.bytes).substr(0, kMaxStoreBytes));
    if (s.bytes.size() > kMaxStoreBytes)
        s.parse.damaged = true;
    return s;
}

// Writes `bytes` to a new file beside `file` and renames it over `file`, so
// that a reader finds either the old text or the new one, never a part.
bool ReplaceFile(const std::string& file, const std::string& bytes)
{
    std::string pattern = file + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(w);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(pattern.c_str(), file.c_str()) == 0;
    if (!ok)
        ::unlink(pattern.c_str());
    return ok;
}

// The caller holds StoreMutex.
bool WriteStore(const std::string& file, const Store& before, const SettingsEntries& after)
{
    if (std::string* memory = TestMemoryText()) {
        *memory = FormatSettingsText(after);
        // `after` is the cached parse itself (changed in place): what was
        // written reads back as exactly these entries.
        Store& cached = TestMemoryCache().store;
        cached.bytes = *memory;
        cached.parse.damaged = false;
        cached.parse.skippedLines = 0;
        return true;
    }
    const auto slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !Paths::CreateFolders(file.substr(0, slash)))
        return false;
    // What a damaged file held beyond the lines that could be read is kept
    // for whoever wants to mend it by hand; the file is not replaced unless
    // that copy exists.
    if (before.exists && before.parse.damaged && !ReplaceFile(file + ".bak", before.bytes))
        return false;
    return ReplaceFile(file, FormatSettingsText(after));
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

// The value's type and bytes, written into `buffer` when they fit in `size`
// bytes; `size` becomes the length. A value that does not read, or does not
// fit, fails and leaves the buffer as it was.
bool DecodeInto(const SettingsValue& v, void* buffer, std::size_t& size, RegType* type)
{
    const std::string& text = v.data;
    auto* out = static_cast<unsigned char*>(buffer);
    auto fits = [&](std::size_t length) { return length <= size && (length == 0 || buffer != nullptr); };
    RegType found = RegType::String;
    std::size_t length = 0;
    if (!v.isBytes && text.rfind("dword:", 0) == 0) {
        const std::size_t digits = text.size() - 6;
        if (digits == 0 || digits > 8)
            return false;
        std::uint32_t dw = 0;
        for (std::size_t i = 6; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0)
                return false;
            dw = dw * 16 + static_cast<std::uint32_t>(d);
        }
        found = RegType::Dword;
        length = 4;
        if (!fits(length))
            return false;
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<unsigned char>((dw >> (8 * i)) & 0xFF);
    } else if (!v.isBytes && text.rfind("hex:", 0) == 0) {
        const std::size_t digits = text.size() - 4;
        if (digits % 2 != 0)
            return false;
        for (std::size_t i = 4; i < text.size(); ++i) {
            if (HexDigit(text[i]) < 0)
                return false;
        }
        found = RegType::Binary;
        length = digits / 2;
        if (!fits(length))
            return false;
        for (std::size_t i = 0; i < length; ++i)
            out[i] = static_cast<unsigned char>(HexDigit(text[4 + 2 * i]) * 16 + HexDigit(text[5 + 2 * i]));
    } else {
        // A byte string, or a plain text entry (written by hand) read as a
        // string of its bytes.
        length = text.size();
        if (!fits(length))
            return false;
        if (length > 0)
            std::memcpy(out, text.data(), length);
    }
    size = length;
    if (type)
        *type = found;
    return true;
}

// Looks the entry up and decodes it; the caller holds StoreMutex.
bool QueryEntry(const std::string& entry, void* buffer, std::size_t& size, RegType* type)
{
    const SettingsEntries& entries = ReadStore(StoreFileLocked()).parse.entries;
    const auto it = entries.find(entry);
    return it != entries.end() && DecodeInto(it->second, buffer, size, type);
}

struct Change
{
    std::string key;
    std::optional<SettingsValue> value; // none: remove
};

// Whether the entries changed.
bool Apply(SettingsEntries& entries, Change& c)
{
    if (!c.value)
        return entries.erase(c.key) > 0;
    const auto it = entries.find(c.key);
    if (it == entries.end()) {
        entries.emplace(std::move(c.key), std::move(*c.value));
        return true;
    }
    if (it->second == *c.value)
        return false;
    it->second = std::move(*c.value);
    return true;
}

} // namespace

struct RegBatch::Impl
{
    std::vector<Change> changes;
    Impl* outer = nullptr;
};

namespace {

thread_local RegBatch::Impl* t_batch = nullptr;

bool ApplyChanges(std::vector<Change>& changes)
{
    std::lock_guard lock(StoreMutex());
    const std::string file = StoreFileLocked();
    Store& store = ReadStore(file);
    // A store that exists but cannot be read is left alone: writing it would
    // throw away what it holds.
    if (!store.readable)
        return false;
    // The entries are changed where they are held; the text they came from
    // stays in `store.bytes` for the copy a damaged file leaves behind.
    bool changed = false;
    for (Change& c : changes)
        changed = Apply(store.parse.entries, c) || changed;
    if (store.exists && !store.parse.damaged && !changed)
        return true;
    if (WriteStore(file, store, store.parse.entries))
        return true;
    // The held entries no longer match the store that stayed as it was.
    if (TestMemoryText())
        TestMemoryCache().valid = false;
    return false;
}

bool Record(std::vector<Change> changes)
{
    if (t_batch) {
        for (Change& c : changes)
            t_batch->changes.push_back(std::move(c));
        return true;
    }
    return ApplyChanges(changes);
}

} // namespace

RegBatch::RegBatch() : m_impl(std::make_unique<Impl>())
{
    // Batches nest: an inner one hands its values to the outer one.
    m_impl->outer = t_batch;
    t_batch = m_impl.get();
}

RegBatch::~RegBatch()
{
    if (t_batch == m_impl.get())
        t_batch = m_impl->outer;
}

bool RegBatch::Commit()
{
    if (t_batch != m_impl.get())
        return false;
    t_batch = m_impl->outer;
    std::vector<Change> changes = std::move(m_impl->changes);
    m_impl->changes.clear();
    if (m_impl->outer) {
        for (Change& c : changes)
            m_impl->outer->changes.push_back(std::move(c));
        return true;
    }
    return ApplyChanges(changes);
}

void RegKey::SetMemoryStoreForTesting(std::string* text)
{
    std::lock_guard lock(StoreMutex());
    TestMemoryText() = text;
    // The text is read afresh at the next key; nothing of the last one stays
    // held (a fuzzer would take memory kept between inputs for a leak).
    MemoryCache& cache = TestMemoryCache();
    cache.valid = false;
    cache.store = Store{};
    std::string().swap(cache.store.bytes);
}

void RegKey::SetStoreFileForTesting(const std::string& file)
{
    std::lock_guard lock(StoreMutex());
    TestStoreFile() = file;
}

std::string RegKey::StoreFile()
{
    std::lock_guard lock(StoreMutex());
    return StoreFileLocked();
}

bool RegKey::Create(const std::string& path)
{
    Close();
    std::string group = GroupOf(path);
    if (group.empty())
        return false;
    bool exists = false;
    {
        std::lock_guard lock(StoreMutex());
        exists = KeyExists(ReadStore(StoreFileLocked()).parse.entries, group);
    }
    if (!exists && !Record({Change{group + '/' + kKeyMarker, SettingsValue{}}}))
        return false;
    m_path = std::move(group);
    m_open = true;
    return true;
}

bool RegKey::Open(const std::string& path)
{
    Close();
    std::string group = GroupOf(path);
    if (group.empty())
        return false;
    std::lock_guard lock(StoreMutex());
    if (!KeyExists(ReadStore(StoreFileLocked()).parse.entries, group))
        return false;
    m_path = std::move(group);
    m_open = true;
    return true;
}

void RegKey::Close()
{
    m_open = false;
    m_path.clear();
}

bool RegKey::QueryValue(const std::string& name, void* buffer, std::size_t& size, RegType* type) const
{
    if (!m_open)
        return false;
    const std::string entry = EntryOf(m_path, name);
    std::lock_guard lock(StoreMutex());
    return QueryEntry(entry, buffer, size, type);
}

bool RegKey::ReadValue(const std::string& path, const std::string& name, void* buffer, std::size_t& size,
                       RegType* type)
{
    // The entry's name is built in room kept by the thread: a load of the
    // local settings reads some seventy values one after another.
    thread_local std::string entry;
    entry.clear();
    AppendGroup(entry, path);
    if (entry.empty())
        return false; // no key path
    AppendEntryName(entry, name);
    std::lock_guard lock(StoreMutex());
    return QueryEntry(entry, buffer, size, type);
}

bool RegKey::QueryDword(const std::string& name, std::uint32_t& value) const
{
    std::uint8_t bytes[4] = {};
    std::size_t size = sizeof(bytes);
    RegType type = RegType::None;
    if (!QueryValue(name, bytes, size, &type) || type != RegType::Dword || size != 4)
        return false;
    value = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
            (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    return true;
}

namespace {

bool StoreValue(const std::string& group, const std::string& name, SettingsValue value)
{
    return Record(
        {Change{EntryOf(group, name), std::move(value)}, Change{group + '/' + kKeyMarker, std::nullopt}});
}

} // namespace

bool RegKey::SetDword(const std::string& name, std::uint32_t value)
{
    if (!m_open)
        return false;
    // "dword:%08x", written by hand (a save writes dozens).
    static const char kHex[] = "0123456789abcdef";
    std::string text = "dword:00000000";
    for (int i = 0; i < 8; ++i)
        text[6 + static_cast<std::size_t>(i)] = kHex[(value >> (28 - 4 * i)) & 0xF];
    return StoreValue(m_path, name, SettingsValue{false, std::move(text)});
}

bool RegKey::SetString(const std::string& name, const std::string& bytes)
{
    if (!m_open)
        return false;
    return StoreValue(m_path, name, SettingsValue{true, bytes});
}

bool RegKey::SetBinary(const std::string& name, const void* data, std::size_t size)
{
    if (!m_open || (size > 0 && data == nullptr))
        return false;
    static const char kHex[] = "0123456789abcdef";
    std::string text = "hex:";
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        text.push_back(kHex[p[i] >> 4]);
        text.push_back(kHex[p[i] & 0xF]);
    }
    return StoreValue(m_path, name, SettingsValue{false, text});
}
