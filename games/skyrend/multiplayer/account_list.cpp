// account_list.cpp -- the account list read as the properties reader reads
// a file, its lines fetched with a bound on their length
#include "games/skyrend/multiplayer/account_list.h"

#include <os/file.h>
#include <os/wstring.h>

#include <cstdio>
#include <memory>

namespace skyrend::mp {

namespace {

// The file's lines one at a time, each at most AccountList::kLineLimit bytes
// before its newline. A line that is longer, or holds bytes that are not
// text, is passed over (the rest of a long one unread) and given as an empty
// line: it adds no entry and ends a continuation instead of joining the
// next account to it.
class BoundedLines
{
public:
    BoundedLines(FILE* file, int& skipped, std::u16string& why) : file(file), skipped(skipped), why(why) {}

    bool next(std::u16string& out)
    {
        out.clear();
        std::string line;
        bool tooLong = false, notText = false, any = false;
        for (;;)
        {
            const int got = take();
            if (got == EOF)
                break;
            any = true;
            const unsigned char c = static_cast<unsigned char>(got);
            if (c == '\n')
            {
                line.push_back('\n');
                break;
            }
            if (tooLong)
                continue; // the rest of a runaway line is passed over unread
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\f') || c == 0x7F)
                notText = true;
            if (line.size() >= AccountList::kLineLimit)
            {
                tooLong = true;
                line.clear();
                continue;
            }
            line.push_back(char(c));
        }
        if (!any)
            return false;
        if (tooLong || notText)
        {
            if (why.empty())
                why = tooLong ? u"it has a line far longer than any account" : u"it holds bytes that are not text";
            skipped += 1;
            out = u"\n";
            return true;
        }
        // CR LF reads as LF, and a CR that ends the file goes, as in any
        // text file the program reads.
        const bool newline = !line.empty() && line.back() == '\n';
        if (newline)
            line.pop_back();
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (char c : line)
            out.push_back(char16_t(static_cast<unsigned char>(c)));
        if (newline)
            out.push_back(u'\n');
        return true;
    }

private:
    int take()
    {
        if (at == got)
        {
            got = std::fread(chunk, 1, sizeof chunk, file);
            at = 0;
            if (got == 0)
            {
                if (std::ferror(file) && why.empty())
                    why = u"it cannot be read to its end";
                return EOF;
            }
        }
        return static_cast<unsigned char>(chunk[at++]);
    }

    FILE* file;
    int& skipped;
    std::u16string& why;
    char chunk[65536];
    size_t at = 0, got = 0;
};

} // namespace

bool AccountList::read(const std::u16string& path)
{
    table.clear();
    skipped = 0;
    why.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), u"rb"), std::fclose);
    if (!file)
        return false;
    auto lines = std::make_unique<BoundedLines>(file.get(), skipped, why);
    table.read([&lines](std::u16string& line) { return lines->next(line); });
    return true;
}

bool AccountList::passes(const std::u16string& user, const std::u16string& password)
{
    WCHAR* stored = table.getField(user.c_str(), u"password");
    const bool ok = stored && password == stored;
    delete[] stored;
    return ok;
}

std::u16string accountListDamageText(const std::u16string& path, const AccountList& list)
{
    return os::format(u"The user account list %s is damaged (%s): %d of its lines cannot be read and are left "
                      u"out; the %d accounts that can be read are used.",
                      path.c_str(), list.damage().c_str(), list.skippedLines(), list.accounts());
}

} // namespace skyrend::mp
