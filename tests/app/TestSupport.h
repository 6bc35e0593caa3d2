// Shared helpers of the application tests: a scratch folder per test and a
// settings store of its own.
#pragma once

#include <QTemporaryDir>
#include <string>

// A fresh folder under the test tree's scratch area, removed afterwards.
class ScratchDir
{
public:
    ScratchDir();
    std::string Path() const { return m_dir.path().toStdString(); }
    std::string File(const std::string& name) const { return Path() + "/" + name; }

private:
    QTemporaryDir m_dir;
};

// Points the settings keys at a file of the scratch folder for its lifetime;
// the store starts without a file (reading never makes one, so `empty` no
// longer changes anything).
class ScopedRegistry
{
public:
    explicit ScopedRegistry(const ScratchDir& dir, bool empty = false);
    ~ScopedRegistry();
};

// Sets an environment variable for its lifetime (unset when value is null).
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value);
    ~ScopedEnv();

private:
    std::string m_name;
    bool m_had;
    std::string m_old;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
