#include "platform/OptionalLibrary.h"

#include <dlfcn.h>

#include <utility>

OptionalLibrary::OptionalLibrary(std::string fileName, std::string purpose)
    : m_FileName(std::move(fileName)), m_Purpose(std::move(purpose)) {}

bool OptionalLibrary::Open(std::string& error) {
    std::lock_guard lock(m_Mutex);
    if (!m_Tried) {
        m_Tried = true;
        // Local: its symbols must not stand in for those of anything loaded later.
        m_Handle = dlopen(m_FileName.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (m_Handle == nullptr) {
            const char* detail = dlerror();
            m_Error = "找不到程序库“" + m_FileName + "”，无法" + m_Purpose + "。请安装它后再试。";
            if (detail != nullptr)
                m_Error += std::string("（") + detail + "）";
        }
    }
    if (m_Handle == nullptr)
        error = m_Error;
    return m_Handle != nullptr;
}

void* OptionalLibrary::Find(const char* symbol, std::string& error) {
    if (!Open(error))
        return nullptr;
    void* address = dlsym(m_Handle, symbol);
    if (address == nullptr)
        error = "程序库“" + m_FileName + "”的版本不合适（缺少 " + symbol + "），无法" + m_Purpose +
                "。";
    return address;
}
