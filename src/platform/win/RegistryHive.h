// One hive as a file: read whole before every operation, so that processes
// writing in turn see each other's changes, and written whole through a
// temporary file renamed into place, so that a crash never loses the store.
#pragma once

#include "platform/win/RegistryKey.h"

#include <pelmora/host.h>

#include <string>

namespace pelmora::win {

class RegistryHive {
public:
    // The folder of the hive files as the environment names it now:
    // $PELMORA_REGISTRY_DIR, else $XDG_CONFIG_HOME/torvel/registry, else
    // $HOME/.config/torvel/registry; empty when none can be named.
    static std::string folder();

    // Reads the hive's file. A missing file is an empty hive; a malformed one
    // is read up to its first bad line and reported (once per content).
    explicit RegistryHive(std::string name);

    RegistryKey& root() { return root_; }

    // Writes the whole hive. A malformed file being replaced is first kept
    // next to it as "<name>.reg.bad", since its unreadable part would be lost.
    LSTATUS save();

private:
    void load();

    std::string name_;
    std::string path_;  // empty when there is no folder
    RegistryKey root_;
    bool unreadable_ = false;
    bool malformed_ = false;
    std::string text_;  // what was read, kept only while malformed
};

}  // namespace pelmora::win
