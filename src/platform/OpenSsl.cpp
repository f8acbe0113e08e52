#include "platform/OpenSsl.h"

#include "platform/OptionalLibrary.h"

const OpenSslFunctions& OpenSsl() {
    static const OpenSslFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_SSL_LIBRARY, "加密发送邮件、保存解锁密码或校验下载的文件");
        OpenSslFunctions f;
        f.loaded = true;
        // libcrypto's functions are found through libssl, which depends on it.
#define ANNIVO_OPENSSL_BIND(name) f.loaded = f.loaded && ANNIVO_BIND(library, f, name, f.error);
        ANNIVO_OPENSSL_FUNCTIONS(ANNIVO_OPENSSL_BIND)
#undef ANNIVO_OPENSSL_BIND
        return f;
    }();
    return functions;
}
