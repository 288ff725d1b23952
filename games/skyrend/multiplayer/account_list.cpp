// account_list.cpp -- reading the account list line by line, bounded
#include "games/skyrend/multiplayer/account_list.h"

#include <os/file.h>
#include <os/wstring.h>

#include <cstdio>
#include <memory>

namespace skyrend::mp {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f';
}

std::string trimmed(const std::string& text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::u16string widened(const std::string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (char c : text)
        out.push_back(char16_t(static_cast<unsigned char>(c)));
    return out;
}

} // namespace

bool AccountList::read(const std::u16string& path)
{
    table.clear();
    skipped = 0;
    why.clear();
    std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), u"rb"), std::fclose);
    if (!file)
        return false;
    std::string line;
    bool tooLong = false, notText = false;
    auto endLine = [&] {
        if (tooLong || notText)
        {
            if (why.empty())
                why = tooLong ? u"it has a line far longer than any account" : u"it holds bytes that are not text";
            skipped += 1;
        }
        else
        {
            takeLine(line);
        }
        line.clear();
        tooLong = notText = false;
    };
    char chunk[65536];
    size_t got = 0;
    bool any = false;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
    {
        for (size_t i = 0; i < got; ++i)
        {
            const unsigned char c = static_cast<unsigned char>(chunk[i]);
            any = true;
            if (c == '\n')
            {
                endLine();
                any = false;
                continue;
            }
            if (tooLong)
                continue; // the rest of a runaway line is passed over unread
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\f') || c == 0x7F)
                notText = true;
            if (line.size() >= kLineLimit)
            {
                tooLong = true;
                line.clear();
                continue;
            }
            line.push_back(char(c));
        }
    }
    if (std::ferror(file.get()) && why.empty())
        why = u"it cannot be read to its end";
    if (any)
        endLine();
    return true;
}

void AccountList::takeLine(const std::string& raw)
{
    std::string text = raw;
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    text = trimmed(text);
    if (text.empty() || text[0] == '#' || text[0] == '!')
        return;
    const size_t remark = text.rfind("//");
    if (remark != std::string::npos)
        text.resize(remark);
    const size_t equals = text.find('=');
    if (equals == std::string::npos)
        return;
    const std::u16string key = widened(trimmed(text.substr(0, equals)));
    const std::u16string value = widened(trimmed(text.substr(equals + 1)));
    if (key.empty() || table.get(key.c_str()) || Properties::isPlaceholder(key.c_str()))
        return; // the first entry of a name decides
    table.put(key.c_str(), value.c_str());
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
