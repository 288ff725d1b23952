// pack_file_io.cpp -- stdio callbacks for minizip on device paths
#include "engine/base/pack_file_io.h"

#include <os/file.h>

#include <cstdio>

namespace {

voidpf ZCALLBACK openFile(voidpf opaque, const char*, int mode)
{
    const WCHAR* path = static_cast<const WCHAR*>(opaque);
    const WCHAR* how = u"rb";
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        how = u"rb";
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        how = u"r+b";
    else if (mode & ZLIB_FILEFUNC_MODE_CREATE)
        how = u"wb";
    return _wfopen(path, how);
}

uLong ZCALLBACK readFile(voidpf, voidpf stream, void* buf, uLong size)
{
    return uLong(std::fread(buf, 1, size, static_cast<FILE*>(stream)));
}

uLong ZCALLBACK writeFile(voidpf, voidpf stream, const void* buf, uLong size)
{
    return uLong(std::fwrite(buf, 1, size, static_cast<FILE*>(stream)));
}

long ZCALLBACK tellFile(voidpf, voidpf stream)
{
    return std::ftell(static_cast<FILE*>(stream));
}

long ZCALLBACK seekFile(voidpf, voidpf stream, uLong offset, int origin)
{
    int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
    return std::fseek(static_cast<FILE*>(stream), long(offset), whence) == 0 ? 0 : -1;
}

int ZCALLBACK closeFile(voidpf, voidpf stream)
{
    return std::fclose(static_cast<FILE*>(stream));
}

int ZCALLBACK errorFile(voidpf, voidpf stream)
{
    return std::ferror(static_cast<FILE*>(stream));
}

} // namespace

void fillPackFileFunctions(zlib_filefunc_def* funcs, const WCHAR* path)
{
    funcs->zopen_file = openFile;
    funcs->zread_file = readFile;
    funcs->zwrite_file = writeFile;
    funcs->ztell_file = tellFile;
    funcs->zseek_file = seekFile;
    funcs->zclose_file = closeFile;
    funcs->zerror_file = errorFile;
    funcs->opaque = const_cast<WCHAR*>(path);
}
