// mmsystem.h -- waveform audio output (waveOut)
//
// Every open device is a voice of one software mixer: any number of devices
// may be open at once, each with its own queue of buffers, its own volume and
// its own pause state. The mixer feeds the host back end's audio stream
// (44100 Hz, stereo, signed 16-bit) and saturates the sum.
//
// Records keep the device's field order. WAVEFORMATEX is packed to its 18
// bytes; WAVEHDR uses host pointer sizes, so the header size argument of the
// header calls is accepted as given (programs pass the device's 32).
#pragma once

#include <os/types.h>

typedef UINT MMRESULT;
typedef UINT MMVERSION;

// Results
#define MMSYSERR_NOERROR 0
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MMSYSERR_NOTENABLED 3
#define MMSYSERR_ALLOCATED 4
#define MMSYSERR_INVALHANDLE 5
#define MMSYSERR_NODRIVER 6
#define MMSYSERR_NOMEM 7
#define MMSYSERR_NOTSUPPORTED 8
#define MMSYSERR_INVALFLAG 10
#define MMSYSERR_INVALPARAM 11
#define WAVERR_BADFORMAT 32
#define WAVERR_STILLPLAYING 33
#define WAVERR_UNPREPARED 34
#define WAVERR_SYNC 35

// Device identifiers and open flags
#define WAVE_MAPPER ((UINT)-1)
#define WAVE_FORMAT_QUERY 0x0001
#define WAVE_ALLOWSYNC 0x0002
#define WAVE_MAPPED 0x0004
#define CALLBACK_TYPEMASK 0x00070000
#define CALLBACK_NULL 0x00000000
#define CALLBACK_WINDOW 0x00010000
#define CALLBACK_TASK 0x00020000
#define CALLBACK_THREAD CALLBACK_TASK
#define CALLBACK_FUNCTION 0x00030000
#define CALLBACK_EVENT 0x00050000

// Format tags
#define WAVE_FORMAT_PCM 1

// WAVEOUTCAPS.dwFormats bits (rate in kHz, M/S mono/stereo, bits per sample)
#define WAVE_INVALIDFORMAT 0x00000000
#define WAVE_FORMAT_1M08 0x00000001
#define WAVE_FORMAT_1S08 0x00000002
#define WAVE_FORMAT_1M16 0x00000004
#define WAVE_FORMAT_1S16 0x00000008
#define WAVE_FORMAT_2M08 0x00000010
#define WAVE_FORMAT_2S08 0x00000020
#define WAVE_FORMAT_2M16 0x00000040
#define WAVE_FORMAT_2S16 0x00000080
#define WAVE_FORMAT_4M08 0x00000100
#define WAVE_FORMAT_4S08 0x00000200
#define WAVE_FORMAT_4M16 0x00000400
#define WAVE_FORMAT_4S16 0x00000800

// WAVEOUTCAPS.dwSupport bits
#define WAVECAPS_PITCH 0x0001
#define WAVECAPS_PLAYBACKRATE 0x0002
#define WAVECAPS_VOLUME 0x0004
#define WAVECAPS_LRVOLUME 0x0008
#define WAVECAPS_SYNC 0x0010
#define WAVECAPS_SAMPLEACCURATE 0x0020

// WAVEHDR.dwFlags
#define WHDR_DONE 0x00000001
#define WHDR_PREPARED 0x00000002
#define WHDR_BEGINLOOP 0x00000004
#define WHDR_ENDLOOP 0x00000008
#define WHDR_INQUEUE 0x00000010

// Notices to the callback window (wParam = device, lParam = header for DONE)
#define MM_WOM_OPEN 0x3BB
#define MM_WOM_CLOSE 0x3BC
#define MM_WOM_DONE 0x3BD
#define WOM_OPEN MM_WOM_OPEN
#define WOM_CLOSE MM_WOM_CLOSE
#define WOM_DONE MM_WOM_DONE

#define MAXPNAMELEN 32

#pragma pack(push, 1)
struct WAVEFORMATEX
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct WAVEFORMAT
{
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
};

struct PCMWAVEFORMAT
{
    WAVEFORMAT wf;
    WORD wBitsPerSample;
};
#pragma pack(pop)
typedef WAVEFORMATEX* LPWAVEFORMATEX;
typedef WAVEFORMATEX* PWAVEFORMATEX;
typedef const WAVEFORMATEX* LPCWAVEFORMATEX;
typedef WAVEFORMAT* LPWAVEFORMAT;
typedef PCMWAVEFORMAT* LPPCMWAVEFORMAT;
static_assert(sizeof(WAVEFORMATEX) == 18, "WAVEFORMATEX is 18 bytes");
static_assert(sizeof(PCMWAVEFORMAT) == 16, "PCMWAVEFORMAT is 16 bytes");

struct WAVEHDR
{
    LPSTR lpData;
    DWORD dwBufferLength;
    DWORD dwBytesRecorded;
    DWORD_PTR dwUser;
    DWORD dwFlags;
    DWORD dwLoops;
    WAVEHDR* lpNext;
    DWORD_PTR reserved;
};
typedef WAVEHDR* LPWAVEHDR;
typedef WAVEHDR* PWAVEHDR;

struct WAVEOUTCAPSW
{
    WORD wMid;
    WORD wPid;
    MMVERSION vDriverVersion;
    WCHAR szPname[MAXPNAMELEN];
    DWORD dwFormats;
    WORD wChannels;
    WORD wReserved1;
    DWORD dwSupport;
};
typedef WAVEOUTCAPSW WAVEOUTCAPS;
typedef WAVEOUTCAPSW* LPWAVEOUTCAPSW;
typedef WAVEOUTCAPSW* LPWAVEOUTCAPS;
static_assert(sizeof(WAVEOUTCAPSW) == 84, "WAVEOUTCAPSW is 84 bytes");

// CALLBACK_FUNCTION procedure: called on the mixer's thread.
typedef void(CALLBACK* LPWAVECALLBACK)(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

// Functions
UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsW(UINT_PTR device_id, LPWAVEOUTCAPSW caps, UINT size);
MMRESULT waveOutGetDevCaps(UINT_PTR device_id, LPWAVEOUTCAPSW caps, UINT size);
MMRESULT waveOutOpen(LPHWAVEOUT device, UINT device_id, LPCWAVEFORMATEX format, DWORD_PTR callback,
                     DWORD_PTR instance, DWORD flags);
MMRESULT waveOutClose(HWAVEOUT device);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT waveOutPause(HWAVEOUT device);
MMRESULT waveOutRestart(HWAVEOUT device);
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutSetVolume(HWAVEOUT device, DWORD volume);
MMRESULT waveOutGetVolume(HWAVEOUT device, LPDWORD volume);
