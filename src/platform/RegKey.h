// Per-user settings keys with typed values, laid out like the registry tree the
// client was designed for: a backslash-separated key path, values by name.
// Stored in one INI file ($XDG_CONFIG_HOME/Varo/KOLA5500.conf, see
// SettingsFile.h). Reading never writes the file. Every write replaces the
// file at once (a new file renamed over the old one) with every value that
// could be read from it; a file found damaged is first kept beside it as
// KOLA5500.conf.bak.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class RegType
{
    None,
    Dword,
    String,
    Binary
};

class RegKey
{
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens the key, creating it (and its parents) when missing; the key then
    // exists afterwards even if no value is ever set.
    bool Create(const std::string& path);
    // Opens an existing key only.
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return m_open; }

    // Reads a value into a buffer of `size` bytes. On success `size` becomes
    // the value's length. A value larger than the buffer, or a missing value,
    // fails and leaves the buffer untouched.
    bool QueryValue(const std::string& name, void* buffer, std::size_t& size, RegType* type = nullptr) const;
    bool QueryDword(const std::string& name, std::uint32_t& value) const;
    // QueryValue of the key at `path` without opening it: a missing key
    // reads as a missing value.
    static bool ReadValue(const std::string& path, const std::string& name, void* buffer, std::size_t& size,
                          RegType* type = nullptr);

    bool SetDword(const std::string& name, std::uint32_t value);
    bool SetString(const std::string& name, const std::string& bytes); // stored without terminator
    bool SetBinary(const std::string& name, const void* data, std::size_t size);

    // The key as a settings path ("Software/Varo/...") while open.
    const std::string& Path() const { return m_path; }

    // Tests point the store at a file of their own. Empty restores the default.
    static void SetStoreFileForTesting(const std::string& file);
    // Every key reads and writes the store's text in `text` instead of a file
    // (fuzz targets); null returns to the file. The text is read when it is
    // handed over: a caller that changes it hands it over again.
    static void SetMemoryStoreForTesting(std::string* text);
    static std::string StoreFile();

private:
    std::string m_path;
    bool m_open = false;
};

// Gathers every value the current thread sets while it lives and writes them
// with one replacement of the store file on Commit (a batch dropped without
// Commit writes nothing). Set calls inside it only record the value and
// succeed; Commit reports whether the file was written.
class RegBatch
{
public:
    RegBatch();
    ~RegBatch();
    RegBatch(const RegBatch&) = delete;
    RegBatch& operator=(const RegBatch&) = delete;

    bool Commit();

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
