#pragma once
// libcurl, and the many libraries under it, opened the first time the program
// goes on the network (an update check, a calendar publish) instead of at
// every start. One table of its functions for every caller.

#include <curl/curl.h>

#include <string>

struct CurlFunctions {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    bool loaded = false;
    std::string error; // why not, for the user, when !loaded
};

// Opens the library on the first call (and initialises it once per process);
// later calls give the same table.
const CurlFunctions& Curl();
