// The connection log's format and writer live with the network layer, where
// the local log viewer reaches them too.
#pragma once

#include "net/ConnectLog.h"
