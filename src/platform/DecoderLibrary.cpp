#include "platform/DecoderLibrary.h"

#include "platform/Paths.h"
#include "platform/Trace.h"

#include <dlfcn.h>

namespace {

template <typename Fn> bool Resolve(void* handle, const char* name, Fn& out)
{
    void* symbol = ::dlsym(handle, name);
    out = reinterpret_cast<Fn>(symbol);
    return symbol != nullptr;
}

} // namespace

std::string DecoderLibrary::DefaultFile()
{
    return Paths::Join(Paths::ProgramDir(), "libH264_D1.so");
}

bool DecoderLibrary::Load(const std::string& file)
{
    Unload();
    if (file.empty())
        return false;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        TRACE("DecoderLibrary: %s\n", why ? why : file.c_str());
        (void)why;
        return false;
    }
    m_handle = handle;
    const bool all =
        Resolve(handle, "PT_H264dec_Init", Init) && Resolve(handle, "PT_H264dec_GetOneFrame", GetOneFrame) &&
        Resolve(handle, "PT_H264dec_Uninit", Uninit) && Resolve(handle, "PT_H264dec_SetOutput", SetOutput);
    if (!all) {
        TRACE("DecoderLibrary: %s lacks an entry point\n", file.c_str());
        Unload();
        return false;
    }
    return true;
}

void DecoderLibrary::Unload()
{
    Init = nullptr;
    Uninit = nullptr;
    GetOneFrame = nullptr;
    SetOutput = nullptr;
    if (m_handle) {
        ::dlclose(m_handle);
        m_handle = nullptr;
    }
}
