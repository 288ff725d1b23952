// properties_fuzz.cpp -- arbitrary bytes as a properties file: read, expand,
// edit, write and read again, never crashing or hanging
#include "engine/base/properties.h"
#include "fuzz_tree.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    writeFuzzInput("in.properties", data, size);
    Properties p;
    if (!p.load(u"\\f", u"in.properties"))
        __builtin_trap(); // the file is there
    WCHAR** keys = p.getKeys();
    int count = p.getKeyCount();
    for (int i = 0; i < count; ++i)
    {
        p.get(keys[i]);
        delete[] p.getField(keys[i], u"type");
        p.getFieldInt(keys[i], u"status", 0);
    }
    if (count > 0)
        p.setField(keys[0], u"status", u"1");
    delete[] keys;
    p.setPath(u"\\f\\", u"out.properties");
    if (!p.save())
        __builtin_trap();
    Properties again;
    if (!again.load(u"\\f", u"out.properties"))
        __builtin_trap();
    // Every line written is one line read back: nothing is added.
    if (again.getKeyCount() > p.getKeyCount())
        __builtin_trap();
    return 0;
}
