#include "platform/CurlLibrary.h"

#include "platform/OptionalLibrary.h"

const CurlFunctions& Curl() {
    static const CurlFunctions functions = [] {
        static OptionalLibrary library(ANNIVO_CURL_LIBRARY, "联网检查更新或同步日历");
        CurlFunctions f;
        f.loaded = library.Bind(f.global_init, "curl_global_init", f.error) &&
                   library.Bind(f.easy_init, "curl_easy_init", f.error) &&
                   library.Bind(f.easy_setopt, "curl_easy_setopt", f.error) &&
                   library.Bind(f.easy_perform, "curl_easy_perform", f.error) &&
                   library.Bind(f.easy_getinfo, "curl_easy_getinfo", f.error) &&
                   library.Bind(f.easy_cleanup, "curl_easy_cleanup", f.error) &&
                   library.Bind(f.slist_append, "curl_slist_append", f.error) &&
                   library.Bind(f.slist_free_all, "curl_slist_free_all", f.error);
        // Once per process, before any transfer.
        if (f.loaded)
            f.global_init(CURL_GLOBAL_DEFAULT);
        return f;
    }();
    return functions;
}
