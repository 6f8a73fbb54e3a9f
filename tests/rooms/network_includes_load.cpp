#include "load/PartitionList.h"
