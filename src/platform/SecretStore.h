#pragma once
// Passwords in the desktop's secret store (the Secret Service of GNOME
// Keyring, KWallet) through QtKeychain. Never in a file: where no store runs
// the caller asks the user each time instead.
//
// The store answers over D-Bus, so these run on a thread with a Qt event
// loop (the GUI thread, or a command line's QCoreApplication).

#include <functional>
#include <string>

class QObject;

enum class SecretOutcome {
    Done,    // read (the secret is in `secret`), written or deleted
    Missing, // the store runs but holds nothing under the key
    NoStore, // no secret store runs on this desktop
    Failed,  // the store refused (locked, access denied...); see `error`
};

struct SecretResult {
    SecretOutcome outcome = SecretOutcome::Failed;
    std::string secret;
    std::string error; // the store's own words, for Failed
};

// Whether a secret store runs (or the session bus can start one).
bool SecretStoreRuns();

// Whether the Secret Service's default collection is locked: reading from
// it would make the desktop ask for the keyring's password.
bool SecretStoreLocked();

// Each waits for the store's answer in a local event loop.
SecretResult ReadSecret(const std::string& key);
SecretResult WriteSecret(const std::string& key, const std::string& secret);
SecretResult DeleteSecret(const std::string& key);

// Reads without waiting for the store: `done` is called on `context`'s
// thread with the answer (not at all when `context` is gone by then); at
// once when no store runs.
void ReadSecretLater(const std::string& key, QObject* context,
                     std::function<void(const SecretResult&)> done);
