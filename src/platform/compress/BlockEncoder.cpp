#include "platform/compress/BlockEncoder.h"
