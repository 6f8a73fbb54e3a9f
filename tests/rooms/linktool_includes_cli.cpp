#include "cli/Selection.h"
