#pragma once
// Publishing the birthdays to a CalDAV calendar collection, one way: each
// event is the resource "<UID>.ics" under the collection, holding one
// VCALENDAR. New ones are PUT with If-None-Match: *, changed ones with
// If-Match on the ETag last seen, and those the program no longer gives
// (a person removed or switched off, a year out of the range) are deleted.
// Only resources the program published itself are ever changed or deleted:
// they are the ones in its state file.
//
// The state file (one per collection URL, in the data directory) keeps UID,
// content hash and ETag of every published event, so unchanged events are
// not sent again. Each request that succeeds is appended to it at once, so a
// publish cut short loses nothing and the next one continues where it
// stopped; at the start of a publish the file is rewritten whole (atomically)
// from what it holds.

#include "exchange/CalendarExport.h"

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

struct CalDavAccount {
    std::string url; // the calendar collection
    std::string user;
    std::string password;
};

struct CalDavTimeouts {
    long connectSeconds = 15;
    long requestSeconds = 60; // the whole of one request
};

struct PublishCounts {
    std::size_t added = 0;
    std::size_t updated = 0;
    std::size_t deleted = 0;
};

// "新增a、更新b、删除c"
std::string PublishCountsText(const PublishCounts& counts);

struct PublishResult {
    bool ok = false;
    // "新增a、更新b、删除c", or why the publish stopped (Chinese), with what
    // was done before it.
    std::string message;
    PublishCounts counts;
};

// The state file of the collection `url` in `dataDirectory`.
std::filesystem::path PublishStatePath(const std::filesystem::path& dataDirectory,
                                       const std::string& url);

// Brings the collection in step with `events`. `stamp` is the DTSTAMP of
// what is sent.
PublishResult PublishEvents(const CalDavAccount& account, const std::vector<CalendarEvent>& events,
                            std::time_t stamp, const std::filesystem::path& dataDirectory,
                            const CalDavTimeouts& timeouts = {});

struct CalendarPublishRequest {
    CalDavAccount account;
    int years = kDefaultCalendarYears;
    bool festivals = false;
    bool solarTerms = false;
};

// The events an export with the same choices writes (the people with
// reminding on, this year and the next years-1), read from the database
// `connectionString`, published to the account.
PublishResult PublishCalendar(const std::string& connectionString,
                              const CalendarPublishRequest& request, const DateTime& now,
                              const std::filesystem::path& dataDirectory,
                              const CalDavTimeouts& timeouts = {});

// The calendar the program keeps in step, in annivo.ini; its password is
// not there but in the secret store, under CalendarSecretKey.
struct CalendarSyncSettings {
    std::string url;
    std::string user;
    int years = kDefaultCalendarYears;
    bool festivals = false;
    bool solarTerms = false;
    bool Configured() const { return !url.empty(); }
};
CalendarSyncSettings ReadCalendarSyncSettings();
// False when annivo.ini cannot be written.
bool WriteCalendarSyncSettings(const CalendarSyncSettings& settings);
std::string CalendarSecretKey(const std::string& url, const std::string& user);
