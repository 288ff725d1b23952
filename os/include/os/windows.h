// windows.h -- everything a program of this project includes from the platform
#pragma once

#include <os/types.h>

// One header per platform library; each exists once its library is built.
#if __has_include(<os/wstring.h>)
#include <os/wstring.h>
#endif
#if __has_include(<os/file.h>)
#include <os/file.h>
#endif
#if __has_include(<os/registry.h>)
#include <os/registry.h>
#endif
#if __has_include(<os/process.h>)
#include <os/process.h>
#endif
#if __has_include(<os/sync.h>)
#include <os/sync.h>
#endif
#if __has_include(<os/sysinfo.h>)
#include <os/sysinfo.h>
#endif
#if __has_include(<os/module.h>)
#include <os/module.h>
#endif
#if __has_include(<os/user.h>)
#include <os/user.h>
#endif
#if __has_include(<os/gdi.h>)
#include <os/gdi.h>
#endif
#if __has_include(<os/font.h>)
#include <os/font.h>
#endif
#if __has_include(<os/controls.h>)
#include <os/controls.h>
#endif
#if __has_include(<os/gx.h>)
#include <os/gx.h>
#endif
#if __has_include(<os/shell.h>)
#include <os/shell.h>
#endif
#if __has_include(<os/mmsystem.h>)
#include <os/mmsystem.h>
#endif
#if __has_include(<os/winsock.h>)
#include <os/winsock.h>
#endif
#if __has_include(<os/desktop.h>)
#include <os/desktop.h>
#endif
