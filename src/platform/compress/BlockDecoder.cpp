#include "platform/compress/BlockDecoder.h"
