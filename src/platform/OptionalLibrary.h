#pragma once
// A shared library that only rarely used commands need (sound, the online
// update, workbooks). The program does not link it: it is opened the first
// time a command needs it, so that every start does not pay for loading it
// and everything it depends on. When it cannot be opened the command gets a
// message for the user instead.
//
// A library once opened stays open until the end of the process (threads it
// started may still run its code).

#include <mutex>
#include <string>

class OptionalLibrary {
public:
    // `fileName` as the dynamic loader finds it (its soname); `purpose` says
    // what needs it, to end the sentence "无法…", e.g. "播放提醒的声音".
    OptionalLibrary(std::string fileName, std::string purpose);
    OptionalLibrary(const OptionalLibrary&) = delete;
    OptionalLibrary& operator=(const OptionalLibrary&) = delete;

    // Opens the library on the first call; later calls give the same answer.
    // False, with the message for the user in `error`, when it cannot.
    bool Open(std::string& error);

    // Looks up a function of the opened library (or of a library it
    // depends on). False, with a message, when it is missing.
    template <class Function> bool Bind(Function*& slot, const char* symbol, std::string& error) {
        slot = reinterpret_cast<Function*>(Find(symbol, error));
        return slot != nullptr;
    }

    const std::string& FileName() const { return m_FileName; }

private:
    void* Find(const char* symbol, std::string& error);

    std::string m_FileName;
    std::string m_Purpose;
    std::mutex m_Mutex;
    bool m_Tried = false;
    void* m_Handle = nullptr;
    std::string m_Error;
};

// Binds the function `name` declared by the library's header into the member
// of the same name of `table`.
#define ANNIVO_BIND(library, table, name, error) (library).Bind((table).name, #name, error)
