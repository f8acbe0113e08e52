#include "exchange/CalDavPublish.h"

#include "platform/CurlLibrary.h"
#include "platform/WholeFile.h"
#include "settings/CIniFile.h"
#include "storage/CAdoDatabase.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <string_view>

namespace {

constexpr std::string_view kStateHeader = "annivo-caldav-state 1\t";
constexpr std::size_t kLongestBody = 4 << 20;

// FNV-1a, 64 bits: enough to tell an event changed, and stable across runs.
std::uint64_t Fnv(std::string_view bytes, std::uint64_t hash = 14695981039346656037ULL) {
    for (const unsigned char c : bytes) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

std::string Hex(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// What the event says, not when it was written (DTSTAMP changes every time).
// The leading tag changes when the writer writes the same event differently.
std::string ContentHash(const CalendarEvent& e) {
    std::string all = "1\n" + e.uid + '\n' + std::to_string(e.day.Year()) + '-' +
                      std::to_string(e.day.Month()) + '-' + std::to_string(e.day.Day()) + '\n' +
                      e.summary + '\n' + e.description + '\n' + e.category;
    for (const int days : e.alarmDaysBefore)
        all += '\n' + std::to_string(days);
    return Hex(Fnv(all));
}

std::string CollectionUrl(std::string url) {
    if (!url.empty() && url.back() != '/')
        url += '/';
    return url;
}

std::string PercentEncoded(std::string_view text) {
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) != 0 || c == '-' || c == '_' || c == '.' || c == '~' || c == '@')
            out += static_cast<char>(c);
        else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

// ETag: "" known to be missing (the server gives none), nothing when the
// resource is not known to exist.
struct Published {
    std::string hash;
    std::string etag;
};
using PublishState = std::map<std::string, Published>;

bool Storable(std::string_view text) {
    return text.find_first_of("\t\r\n") == std::string_view::npos;
}

// The state, then every line appended since: the last word on a UID counts.
// A last line without its newline was cut short and does not count.
PublishState ReadState(const std::filesystem::path& path, const std::string& url) {
    PublishState state;
    const std::optional<std::string> text = ReadWholeFile(path);
    if (!text)
        return state;
    std::size_t at = 0;
    bool first = true;
    while (at < text->size()) {
        const std::size_t end = text->find('\n', at);
        if (end == std::string::npos)
            break;
        const std::string_view line(text->data() + at, end - at);
        at = end + 1;
        if (first) {
            first = false;
            if (line != std::string(kStateHeader) + url)
                return state; // another collection's file
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        const std::string uid(line.substr(0, tab));
        const std::string_view rest = line.substr(tab + 1);
        if (rest == "-") {
            state.erase(uid);
            continue;
        }
        const std::size_t tab2 = rest.find('\t');
        if (tab2 == std::string_view::npos)
            continue;
        state[uid] = {std::string(rest.substr(0, tab2)), std::string(rest.substr(tab2 + 1))};
    }
    return state;
}

std::string StateText(const PublishState& state, const std::string& url) {
    std::string text = std::string(kStateHeader) + url + '\n';
    for (const auto& [uid, published] : state)
        text += uid + '\t' + published.hash + '\t' + published.etag + '\n';
    return text;
}

// Appends one line per request that succeeded, in one write each.
class StateJournal {
public:
    StateJournal(const std::filesystem::path& path, const std::string& url) {
        m_Fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
        if (m_Fd >= 0 && ::lseek(m_Fd, 0, SEEK_END) == 0)
            Write(std::string(kStateHeader) + url + '\n');
    }
    ~StateJournal() {
        if (m_Fd >= 0)
            ::close(m_Fd);
    }
    StateJournal(const StateJournal&) = delete;
    StateJournal& operator=(const StateJournal&) = delete;

    bool Open() const { return m_Fd >= 0; }
    void Put(const std::string& uid, const Published& p) {
        Write(uid + '\t' + p.hash + '\t' + p.etag + '\n');
    }
    void Erase(const std::string& uid) { Write(uid + "\t-\n"); }

private:
    void Write(const std::string& line) {
        // A line lost here costs a request at the next publish, no event.
        if (m_Fd >= 0 && ::write(m_Fd, line.data(), line.size()) < 0)
            return;
    }
    int m_Fd = -1;
};

struct Answer {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string etag;
    std::string body;
    std::string detail;
    bool Success() const { return code == CURLE_OK && status >= 200 && status < 300; }
};

std::string Trimmed(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos)
        return {};
    const std::size_t end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* context) {
    auto* answer = static_cast<Answer*>(context);
    const std::string_view line(data, size * count);
    // Each answer (a 401 before the authenticated one, a redirect) begins
    // with its status line: only the last one's ETag counts.
    if (line.starts_with("HTTP/"))
        answer->etag.clear();
    else if (line.size() > 5 &&
             std::equal(line.begin(), line.begin() + 5, "etag:", [](char a, char b) {
                 return std::tolower(static_cast<unsigned char>(a)) == b;
             }))
        answer->etag = Trimmed(line.substr(5)); // header names are case-blind
    return size * count;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto* answer = static_cast<Answer*>(context);
    if (answer->body.size() + size * count > kLongestBody)
        return 0;
    answer->body.append(data, size * count);
    return size * count;
}

// One connection (and one authentication) for every request of a publish.
class DavSession {
public:
    DavSession(const CalDavAccount& account, const CalDavTimeouts& timeouts)
        : m_Account(account), m_Timeouts(timeouts) {
        if (Curl().loaded)
            m_Curl = Curl().easy_init();
    }
    ~DavSession() {
        if (m_Curl != nullptr)
            Curl().easy_cleanup(m_Curl);
    }
    DavSession(const DavSession&) = delete;
    DavSession& operator=(const DavSession&) = delete;

    bool Ready() const { return m_Curl != nullptr; }

    Answer Request(const char* method, const std::string& url,
                   const std::vector<std::string>& headers, const std::string* body) {
        Answer answer;
        char detail[CURL_ERROR_SIZE] = {};
        curl_slist* list = nullptr;
        for (const std::string& header : headers)
            list = Curl().slist_append(list, header.c_str());
        list = Curl().slist_append(list, "Expect:");
        const auto set = Curl().easy_setopt;
        CURL* c = m_Curl;
        set(c, CURLOPT_URL, url.c_str());
        set(c, CURLOPT_HTTPGET, 1L); // forget the last request's body
        const bool head = std::string_view(method) == "HEAD";
        set(c, CURLOPT_NOBODY, head ? 1L : 0L);
        if (body != nullptr) {
            set(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
            set(c, CURLOPT_POSTFIELDS, body->data());
        }
        set(c, CURLOPT_CUSTOMREQUEST, head ? nullptr : method);
        set(c, CURLOPT_HTTPHEADER, list);
        set(c, CURLOPT_PROTOCOLS_STR, "http,https");
        // Redirects stay in the scheme the user gave: never from https to
        // http, where the password would travel in the clear.
        const bool secure = url.rfind("https:", 0) == 0;
        set(c, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http");
        set(c, CURLOPT_FOLLOWLOCATION, 1L);
        set(c, CURLOPT_MAXREDIRS, 5L);
        set(c, CURLOPT_SSL_VERIFYPEER, 1L);
        set(c, CURLOPT_SSL_VERIFYHOST, 2L);
        set(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        set(c, CURLOPT_USERNAME, m_Account.user.c_str());
        set(c, CURLOPT_PASSWORD, m_Account.password.c_str());
        set(c, CURLOPT_CONNECTTIMEOUT, m_Timeouts.connectSeconds);
        set(c, CURLOPT_TIMEOUT, m_Timeouts.requestSeconds);
        set(c, CURLOPT_NOSIGNAL, 1L); // worker threads
        set(c, CURLOPT_HEADERFUNCTION, OnHeader);
        set(c, CURLOPT_HEADERDATA, &answer);
        set(c, CURLOPT_WRITEFUNCTION, OnBody);
        set(c, CURLOPT_WRITEDATA, &answer);
        set(c, CURLOPT_ERRORBUFFER, detail);
        answer.code = Curl().easy_perform(c);
        Curl().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &answer.status);
        answer.detail = detail;
        set(c, CURLOPT_HTTPHEADER, nullptr);
        set(c, CURLOPT_ERRORBUFFER, nullptr);
        Curl().slist_free_all(list);
        return answer;
    }

private:
    const CalDavAccount& m_Account;
    CalDavTimeouts m_Timeouts;
    CURL* m_Curl = nullptr;
};

std::string NetworkText(const Answer& answer) {
    std::string text;
    switch (answer.code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: text = "找不到日历服务器，请检查网络连接和日历地址。"; break;
    case CURLE_COULDNT_CONNECT:
        text = "无法连接日历服务器（连接被拒绝），请检查日历地址或稍后再试。";
        break;
    case CURLE_OPERATION_TIMEDOUT: text = "日历服务器长时间没有回应，请稍后再试。"; break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CONNECT_ERROR: text = "无法建立与日历服务器的安全连接（证书验证失败）。"; break;
    case CURLE_TOO_MANY_REDIRECTS: text = "日历服务器的转向次数过多。"; break;
    case CURLE_UNSUPPORTED_PROTOCOL:
        text = "日历地址只能是 http 或 https 地址，转向也不能换用另一种。";
        break;
    case CURLE_URL_MALFORMAT: text = "日历地址的格式不正确。"; break;
    default: text = "与日历服务器通信时发生网络错误。"; break;
    }
    if (!answer.detail.empty())
        text += "（" + answer.detail + "）";
    return text;
}

std::string StatusText(long status) {
    switch (status) {
    case 401: return "日历服务器不接受这个用户名或密码（401），请检查日历同步的设置。";
    case 403: return "日历服务器不允许这个用户写入这个日历（403）。";
    case 404: return "日历服务器上没有这个日历（404），请检查日历地址。";
    case 412: return "日历中的事件在同步的同时被别处改动（412），请稍后再同步一次。";
    default: break;
    }
    if (status >= 500)
        return "日历服务器出错（" + std::to_string(status) + "），请稍后再试。";
    return "日历服务器拒绝了请求（HTTP " + std::to_string(status) + "）。";
}

std::string FailureText(const Answer& answer) {
    return answer.code != CURLE_OK ? NetworkText(answer) : StatusText(answer.status);
}

// A calendar collection lists the CalDAV "calendar" element in its resource
// type; a plain folder, a principal or an address book does not.
bool IsCalendarCollection(const std::string& body) {
    static const std::regex calendar(R"(<([A-Za-z0-9_.-]+:)?calendar[\s/>])");
    const std::size_t begin = body.find("resourcetype");
    if (begin == std::string::npos ||
        body.find("urn:ietf:params:xml:ns:caldav") == std::string::npos)
        return false;
    const std::size_t end = body.find("resourcetype", begin + 12);
    const std::string type =
        body.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
    return std::regex_search(type, calendar);
}

constexpr const char* kPropfind = R"(<?xml version="1.0" encoding="utf-8"?>)"
                                  R"(<d:propfind xmlns:d="DAV:"><d:prop><d:resourcetype/>)"
                                  R"(</d:prop></d:propfind>)";

class Publisher {
public:
    Publisher(DavSession& session, std::string collection, PublishState& state,
              StateJournal& journal)
        : m_Session(session), m_Collection(std::move(collection)), m_State(state),
          m_Journal(journal) {}

    // Why it is no calendar collection, or nothing.
    std::optional<std::string> CheckCollection() {
        const std::string body = kPropfind;
        const Answer answer =
            m_Session.Request("PROPFIND", m_Collection,
                              {"Depth: 0", "Content-Type: application/xml; charset=utf-8"}, &body);
        if (answer.code != CURLE_OK || answer.status == 401 || answer.status == 403 ||
            answer.status == 404 || answer.status >= 500)
            return FailureText(answer);
        if (answer.status != 207 || !IsCalendarCollection(answer.body))
            return "这个地址不是 CalDAV 日历（请填写日历集合的地址，例如 "
                   "https://服务器/用户/日历/）。";
        return std::nullopt;
    }

    // Sends the event, which is new or changed. A 412 means the resource is
    // not as this program left it: someone changed it (a phone editing the
    // event), or it exists although the state lost it, or it is gone. The
    // program is the source of its own events, so it looks up the current
    // ETag and sends the event again over whatever is there, once.
    std::optional<std::string> Put(const CalendarEvent& event, const std::string& hash,
                                   const std::string& text) {
        const std::string url = m_Collection + PercentEncoded(event.uid) + ".ics";
        const auto known = m_State.find(event.uid);
        std::optional<std::string> etag;
        if (known != m_State.end())
            etag = known->second.etag;
        Answer answer;
        for (int attempt = 0; attempt < 2; ++attempt) {
            std::vector<std::string> headers{"Content-Type: text/calendar; charset=utf-8"};
            if (!etag)
                headers.push_back("If-None-Match: *");
            else if (!etag->empty())
                headers.push_back("If-Match: " + *etag);
            answer = m_Session.Request("PUT", url, headers, &text);
            if (answer.Success())
                break;
            if (answer.code != CURLE_OK || answer.status != 412)
                return FailureText(answer);
            const Answer current = m_Session.Request("HEAD", url, {}, nullptr);
            if (current.Success())
                etag = current.etag;
            else if (current.code == CURLE_OK && (current.status == 404 || current.status == 410))
                etag.reset();
            else
                return FailureText(current);
        }
        if (!answer.Success())
            return FailureText(answer);
        std::string newEtag = answer.etag;
        if (newEtag.empty()) {
            // The server changed what it stored, or gives ETags only on
            // reading: ask, so the next change can still say If-Match.
            const Answer current = m_Session.Request("HEAD", url, {}, nullptr);
            if (current.Success())
                newEtag = current.etag;
        }
        if (!Storable(newEtag))
            newEtag.clear();
        ++(known != m_State.end() ? m_Counts.updated : m_Counts.added);
        const Published published{hash, newEtag};
        m_State[event.uid] = published;
        m_Journal.Put(event.uid, published);
        return std::nullopt;
    }

    // Deletes a resource this program published. When it was changed since
    // (412) it is still this program's event, and goes all the same.
    std::optional<std::string> Delete(const std::string& uid) {
        const std::string url = m_Collection + PercentEncoded(uid) + ".ics";
        const std::string etag = m_State[uid].etag;
        Answer answer = m_Session.Request(
            "DELETE", url,
            etag.empty() ? std::vector<std::string>{} : std::vector{"If-Match: " + etag}, nullptr);
        if (answer.code == CURLE_OK && answer.status == 412)
            answer = m_Session.Request("DELETE", url, {}, nullptr);
        const bool gone = answer.code == CURLE_OK && (answer.status == 404 || answer.status == 410);
        if (!answer.Success() && !gone)
            return FailureText(answer);
        if (answer.Success())
            ++m_Counts.deleted;
        m_State.erase(uid);
        m_Journal.Erase(uid);
        return std::nullopt;
    }

    const PublishCounts& Counts() const { return m_Counts; }

private:
    DavSession& m_Session;
    std::string m_Collection;
    PublishState& m_State;
    StateJournal& m_Journal;
    PublishCounts m_Counts;
};

bool AnyDone(const PublishCounts& counts) {
    return counts.added + counts.updated + counts.deleted > 0;
}

} // namespace

std::string PublishCountsText(const PublishCounts& counts) {
    return "新增" + std::to_string(counts.added) + "、更新" + std::to_string(counts.updated) +
           "、删除" + std::to_string(counts.deleted);
}

std::filesystem::path PublishStatePath(const std::filesystem::path& dataDirectory,
                                       const std::string& url) {
    return dataDirectory / ("caldav-" + Hex(Fnv(CollectionUrl(url))) + ".state");
}

PublishResult PublishEvents(const CalDavAccount& account, const std::vector<CalendarEvent>& events,
                            std::time_t stamp, const std::filesystem::path& dataDirectory,
                            const CalDavTimeouts& timeouts) {
    PublishResult result;
    const std::string collection = CollectionUrl(account.url);
    if (collection.rfind("http://", 0) != 0 && collection.rfind("https://", 0) != 0) {
        result.message = "日历地址应以 https:// 或 http:// 开头。";
        return result;
    }
    if (!Curl().loaded) {
        result.message = Curl().error;
        return result;
    }
    const std::filesystem::path statePath = PublishStatePath(dataDirectory, collection);
    // A publish from the command line and one from the running program must
    // not interleave their requests and their state.
    const FileLock lock(statePath, std::chrono::milliseconds(200));
    if (!lock.Held()) {
        result.message = "另一次日历同步正在进行，请稍后再试。";
        return result;
    }
    PublishState state = ReadState(statePath, collection);
    DavSession session(account, timeouts);
    if (!session.Ready()) {
        result.message = "无法初始化网络连接。";
        return result;
    }
    std::optional<std::string> failure;
    PublishCounts counts;
    {
        StateJournal journal(statePath, collection);
        if (!journal.Open()) {
            result.message = "无法写入日历同步的记录文件 " + statePath.string() + "。";
            return result;
        }
        Publisher publisher(session, collection, state, journal);
        failure = publisher.CheckCollection();
        std::set<std::string> wanted;
        for (std::size_t i = 0; !failure && i < events.size(); ++i) {
            const CalendarEvent& event = events[i];
            if (!wanted.insert(event.uid).second)
                continue;
            const std::string hash = ContentHash(event);
            const auto known = state.find(event.uid);
            if (known != state.end() && known->second.hash == hash)
                continue;
            failure = publisher.Put(event, hash, CalendarText({event}, stamp));
        }
        std::vector<std::string> gone;
        for (const auto& entry : state)
            if (wanted.count(entry.first) == 0)
                gone.push_back(entry.first);
        for (std::size_t i = 0; !failure && i < gone.size(); ++i)
            failure = publisher.Delete(gone[i]);
        counts = publisher.Counts();
    }
    // The journal holds every step already; this only keeps the file short.
    ReplaceWholeFile(statePath, StateText(state, collection));
    result.counts = counts;
    if (failure) {
        result.message = *failure;
        if (AnyDone(counts))
            result.message += "（本次已" + PublishCountsText(counts) + "，下次同步时继续。）";
        return result;
    }
    result.ok = true;
    result.message = PublishCountsText(counts);
    return result;
}

PublishResult PublishCalendar(const std::string& connectionString,
                              const CalendarPublishRequest& request, const DateTime& now,
                              const std::filesystem::path& dataDirectory,
                              const CalDavTimeouts& timeouts) {
    std::vector<CalendarEvent> events;
    try {
        std::size_t people = 0;
        events = CalendarEventsOf(connectionString, ExportYearsFrom(now.Year(), request.years),
                                  request.festivals, request.solarTerms, people);
    } catch (const DbError& e) {
        PublishResult result;
        result.message = e.what();
        return result;
    }
    return PublishEvents(request.account, events, LocalTimeT(now), dataDirectory, timeouts);
}

namespace {
constexpr const char* kSyncSection = "CalendarSync";
}

CalendarSyncSettings ReadCalendarSyncSettings() {
    const CIniFile ini("annivo.ini");
    CalendarSyncSettings settings;
    settings.url = ini.GetString(kSyncSection, "Url", "");
    settings.user = ini.GetString(kSyncSection, "User", "");
    settings.years =
        std::clamp(ini.GetInt(kSyncSection, "Years", kDefaultCalendarYears), 1, kMostCalendarYears);
    settings.festivals = ini.GetInt(kSyncSection, "Festivals", 0) == 1;
    settings.solarTerms = ini.GetInt(kSyncSection, "SolarTerms", 0) == 1;
    return settings;
}

bool WriteCalendarSyncSettings(const CalendarSyncSettings& settings) {
    CIniFile ini("annivo.ini");
    return ini.WriteString(kSyncSection, "Url", settings.url) &&
           ini.WriteString(kSyncSection, "User", settings.user) &&
           ini.WriteString(kSyncSection, "Years", std::to_string(settings.years)) &&
           ini.WriteString(kSyncSection, "Festivals", settings.festivals ? "1" : "0") &&
           ini.WriteString(kSyncSection, "SolarTerms", settings.solarTerms ? "1" : "0");
}

std::string CalendarSecretKey(const std::string& url, const std::string& user) {
    return "caldav " + user + " " + CollectionUrl(url);
}
