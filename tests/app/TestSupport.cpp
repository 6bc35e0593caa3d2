#include "TestSupport.h"

#include "app/LocalSettings.h"
#include "platform/RegKey.h"

#include <QFile>

#include <QDir>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {
QString ScratchRoot()
{
    const QByteArray root = qgetenv("K5_TEST_TMP");
    const QString base = root.isEmpty() ? QDir::tempPath() : QString::fromLocal8Bit(root);
    QDir().mkpath(base);
    return base;
}
} // namespace

ScratchDir::ScratchDir() : m_dir(ScratchRoot() + QStringLiteral("/app-XXXXXX")) {}

ScopedRegistry::ScopedRegistry(const ScratchDir& dir, bool /*empty*/)
{
    RegKey::SetStoreFileForTesting(dir.File("settings.conf"));
}

ScopedRegistry::~ScopedRegistry()
{
    RegKey::SetStoreFileForTesting(std::string());
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : m_name(name)
{
    const char* old = std::getenv(name);
    m_had = old != nullptr;
    if (old)
        m_old = old;
    if (value)
        ::setenv(name, value, 1);
    else
        ::unsetenv(name);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        ::setenv(m_name.c_str(), m_old.c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
