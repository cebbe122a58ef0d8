// One hive as a file, kept in memory between calls. The tree is read again
// only when the file changed since it was last read (another process wrote
// it, or the folder was moved): a change shows in the file's identity, size
// and nanosecond modification and change times, and the file last read is
// held open so that its identity cannot pass to another file meanwhile.
//
// Writers hold the hive's lock file ("<name>.reg.lock", beside it) across
// read-modify-write, so two processes writing at once both keep their
// changes, and write the whole hive through a temporary file renamed into
// place, so a crash never loses the store and readers never need the lock.
#pragma once

#include "platform/win/RegistryKey.h"

#include <pelmora/host.h>

#include <sys/stat.h>

#include <memory>
#include <string>

namespace pelmora::win {

class RegistryHive {
public:
    // The folder of the hive files as the environment names it now:
    // $PELMORA_REGISTRY_DIR, else $XDG_CONFIG_HOME/torvel/registry, else
    // $HOME/.config/torvel/registry; empty when none can be named.
    static std::string folder();

    explicit RegistryHive(std::string name);
    ~RegistryHive();
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    // Brings the tree up to date with the file. A missing file is an empty
    // hive; a malformed one is read up to its first bad line and reported
    // (once per content); an unreadable one reads as empty and is never
    // replaced.
    void refresh();

    RegistryKey& root() { return *root_; }

    // How many times the file was read and parsed so far.
    size_t reads() const { return reads_; }

    // One read-modify-write: takes the lock and refreshes the tree; commit
    // writes it. A failed write drops what was changed in memory, so the
    // next call reads the file as it is.
    class Update {
    public:
        explicit Update(RegistryHive& hive);
        ~Update();
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;

        // ERROR_SUCCESS when the lock is held and the tree may be changed.
        LSTATUS status() const { return status_; }
        LSTATUS commit();

    private:
        RegistryHive& hive_;
        int lock_ = -1;
        LSTATUS status_ = ERROR_SUCCESS;
    };

private:
    // What identifies the content of a file read: a new file, or a change
    // to this one, gives another stamp.
    struct Stamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        struct timespec modified {};
        struct timespec changed {};

        static Stamp of(const struct stat& info);
        bool operator==(const Stamp& other) const;
    };

    enum class Known { Nothing, Missing, File };

    void load();
    void replaceTree(std::unique_ptr<RegistryKey> root);
    void markMissing();
    void markUnreadable(const char* why);
    void holdFile(int fd, const struct stat& info);
    void forget();
    // Writes the whole hive under the caller's lock.
    LSTATUS save();

    std::string name_;
    std::string path_;  // empty when there is no folder
    std::unique_ptr<RegistryKey> root_;
    Known known_ = Known::Nothing;
    Stamp stamp_;
    int held_ = -1;  // the file the tree was read from or last written to
    bool unreadable_ = false;
    bool malformed_ = false;
    std::string text_;  // what was read, kept only while malformed
    size_t reads_ = 0;
};

}  // namespace pelmora::win
