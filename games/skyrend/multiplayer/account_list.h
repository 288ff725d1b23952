// account_list.h -- the server's account list: who may log on with which
// password
//
// A properties file of "<name>=password:<password>" lines (the name as the
// game sends it, in angle brackets), read as the properties reader reads
// any file: blank lines, "#" and "!" comment lines and "//" remarks are
// passed over, a backslash at a line's end joins the next line, {name}
// refers to another entry, and of a name given twice the last entry
// decides. The list is written by the server's keeper, not by the program,
// so a damaged one is never moved: every line that can be read counts, and
// a line that cannot (bytes that are not text, a line far longer than any
// account) is left out without being read whole, so a huge file is passed
// over at the speed of the disk.
#pragma once

#include "engine/base/properties.h"

#include <string>

namespace skyrend::mp {

class AccountList
{
public:
    // The longest line taken as an entry.
    static constexpr size_t kLineLimit = 4096;

    // Reads the file at `path` (a device path) in place of what was read
    // before; false when it does not open (nothing is then held).
    bool read(const std::u16string& path);
    // Whether the entry of `user` has the field "password" equal to
    // `password`.
    bool passes(const std::u16string& user, const std::u16string& password);

    int accounts() const { return table.getKeyCount(); }
    // How many lines were left out, and why the first one was (empty when
    // the file was sound).
    int skippedLines() const { return skipped; }
    const std::u16string& damage() const { return why; }

private:
    Properties table{u'=', u',', u':'};
    int skipped = 0;
    std::u16string why;
};

// The one message that tells the server's keeper about a damaged list:
// the file (a device path), why, and what is used instead.
std::u16string accountListDamageText(const std::u16string& path, const AccountList& list);

} // namespace skyrend::mp
