#include "foundation/OzoErrorNames.h"

#include <iterator>

#include "platform/keyboard/DirectInput.h"
#include "platform/sound/DirectSound.h"

namespace {
struct TCodeName {
  int64_t code;
  const char* name;
};

template <size_t N>
const char* Lookup(const TCodeName (&table)[N], int64_t code, const char* fallback) {
  for (const TCodeName& entry : table)
    if (entry.code == code) return entry.name;
  return fallback;
}

const TCodeName kXAudioNames[] = {
    {0, "XA_SUCCESS"},
    {-100, "XA_ERROR_OUT_OF_MEMORY"},
    {-101, "XA_ERROR_INVALID_PARAMETERS"},
    {-102, "XA_ERROR_INTERNAL"},
    {-103, "XA_ERROR_TIMEOUT"},
    {-104, "XA_ERROR_VERSION_EXPIRED"},
    {-200, "XA_ERROR_CONNECT_TIMEOUT"},
    {-201, "XA_ERROR_CONNECT_FAILED"},
    {-202, "XA_ERROR_CONNECTION_REFUSED"},
    {-203, "XA_ERROR_ACCEPT_FAILED"},
    {-204, "XA_ERROR_LISTEN_FAILED"},
    {-205, "XA_ERROR_SOCKET_FAILED"},
    {-206, "XA_ERROR_SOCKET_CLOSED"},
    {-207, "XA_ERROR_BIND_FAILED"},
    {-208, "XA_ERROR_HOST_UNKNOWN"},
    {-209, "XA_ERROR_HTTP_INVALID_REPLY"},
    {-210, "XA_ERROR_HTTP_ERROR_REPLY"},
    {-211, "XA_ERROR_HTTP_FAILURE"},
    {-212, "XA_ERROR_FTP_INVALID_REPLY"},
    {-213, "XA_ERROR_FTP_ERROR_REPLY"},
    {-214, "XA_ERROR_FTP_FAILURE"},
    {-300, "XA_ERROR_PIPE_FAILED"},
    {-301, "XA_ERROR_FORK_FAILED"},
    {-302, "XA_ERROR_SELECT_FAILED"},
    {-303, "XA_ERROR_PIPE_CLOSED"},
    {-304, "XA_ERROR_PIPE_READ_FAILED"},
    {-305, "XA_ERROR_PIPE_WRITE_FAILED"},
    {-306, "XA_ERROR_INVALID_MESSAGE"},
    {-307, "XA_ERROR_CIRQ_FULL"},
    {-308, "XA_ERROR_POST_FAILED"},
    {-400, "XA_ERROR_URL_UNSUPPORTED_SCHEME"},
    {-401, "XA_ERROR_URL_INVALID_SYNTAX"},
    {-500, "XA_ERROR_OPEN_FAILED"},
    {-501, "XA_ERROR_CLOSE_FAILED"},
    {-502, "XA_ERROR_READ_FAILED"},
    {-503, "XA_ERROR_WRITE_FAILED"},
    {-504, "XA_ERROR_PERMISSION_DENIED"},
    {-505, "XA_ERROR_NO_DEVICE"},
    {-506, "XA_ERROR_IOCTL_FAILED"},
    {-507, "XA_ERROR_MODULE_NOT_FOUND"},
    {-508, "XA_ERROR_UNSUPPORTED_INPUT"},
    {-511, "XA_ERROR_DEVICE_BUSY"},
    {-512, "XA_ERROR_NO_SUCH_DEVICE"},
    {-513, "XA_ERROR_NO_SUCH_FILE"},
    {-600, "XA_ERROR_INVALID_FRAME"},
    {-700, "XA_ERROR_DLL_NOT_FOUND"},
    {-701, "XA_ERROR_SYMBOL_NOT_FOUND"},
    {-800, "XA_ERROR_NO_SUCH_ENVIRONMENT"},
    {-801, "XA_ERROR_ENVIRONMENT_TYPE_MISMATCH"},
};

// The codes are the sound and keyboard layers' own constants, so a name
// cannot drift from the value the layer returns.
const TCodeName kDirectSoundNames[] = {
    {uint32_t(DS_OK), "DS_OK"},
    {uint32_t(DSERR_ALLOCATED), "DSERR_ALLOCATED"},
    {uint32_t(DSERR_CONTROLUNAVAIL), "DSERR_CONTROLUNAVAIL"},
    {uint32_t(DSERR_INVALIDCALL), "DSERR_INVALIDCALL"},
    {uint32_t(DSERR_PRIOLEVELNEEDED), "DSERR_PRIOLEVELNEEDED"},
    {uint32_t(DSERR_BADFORMAT), "DSERR_BADFORMAT"},
    {uint32_t(DSERR_NODRIVER), "DSERR_NODRIVER"},
    {uint32_t(DSERR_ALREADYINITIALIZED), "DSERR_ALREADYINITIALIZED"},
    {uint32_t(DSERR_BUFFERLOST), "DSERR_BUFFERLOST"},
    {uint32_t(DSERR_OTHERAPPHASPRIO), "DSERR_OTHERAPPHASPRIO"},
    {uint32_t(DSERR_UNINITIALIZED), "DSERR_UNINITIALIZED"},
    {uint32_t(DSERR_UNSUPPORTED), "DSERR_UNSUPPORTED"},
    {uint32_t(DSERR_GENERIC), "DSERR_GENERIC"},
    {uint32_t(DSERR_NOAGGREGATION), "DSERR_NOAGGREGATION"},
    {uint32_t(DSERR_OUTOFMEMORY), "DSERR_OUTOFMEMORY"},
    {uint32_t(DSERR_INVALIDPARAM), "DSERR_INVALIDPARAM"},
};

const TCodeName kDirectInputNames[] = {
    {uint32_t(DI_OK), "DI_OK"},
    {0x00000001, "DI_BUFFEROVERFLOW"},
    {0x00000002, "DI_POLLEDDEVICE"},
    {uint32_t(E_PENDING), "E_PENDING"},
    {uint32_t(DIERR_UNSUPPORTED), "DIERR_UNSUPPORTED"},
    {uint32_t(DIERR_NOINTERFACE), "DIERR_NOINTERFACE"},
    {uint32_t(DIERR_GENERIC), "DIERR_GENERIC"},
    {uint32_t(DIERR_NOAGGREGATION), "DIERR_NOAGGREGATION"},
    {uint32_t(DIERR_DEVICENOTREG), "DIERR_DEVICENOTREG"},
    {uint32_t(DIERR_OTHERAPPHASPRIO), "DIERR_OTHERAPPHASPRIO"},
    {uint32_t(DIERR_NOTACQUIRED), "DIERR_NOTACQUIRED"},
    {uint32_t(DIERR_OUTOFMEMORY), "DIERR_OUTOFMEMORY"},
    {uint32_t(DIERR_NOTINITIALIZED), "DIERR_NOTINITIALIZED"},
    {uint32_t(DIERR_INPUTLOST), "DIERR_INPUTLOST"},
    {uint32_t(DIERR_INVALIDPARAM), "DIERR_INVALIDPARAM"},
    {uint32_t(DIERR_BADDRIVERVER), "DIERR_BADDRIVERVER"},
    {uint32_t(DIERR_ACQUIRED), "DIERR_ACQUIRED"},
    {uint32_t(DIERR_OLDDIRECTINPUTVERSION), "DIERR_OLDDIRECTINPUTVERSION"},
    {uint32_t(DIERR_BETADIRECTINPUTVERSION), "DIERR_BETADIRECTINPUTVERSION"},
    {uint32_t(DIERR_ALREADYINITIALIZED), "DIERR_ALREADYINITIALIZED"},
};
}  // namespace

const char* XAudioErrorName(int code) { return Lookup(kXAudioNames, code, "(Unknown)"); }

const char* DirectSoundErrorName(uint32_t code) { return Lookup(kDirectSoundNames, code, "(Unknown)"); }

const char* DirectInputErrorName(uint32_t code) { return Lookup(kDirectInputNames, code, "(Generic)"); }
