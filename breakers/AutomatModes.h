// The modes of a circuit breaker, under the names its log lines print.
#pragma once

#include "Automat.h"
#include "AutomatOffOnlyMode.h"
#include "BreakerInitMode.h"
#include "BreakerMode.h"
#include "BreakerOffMode.h"
#include "BreakerOnMode.h"
#include "BreakerProtectionMode.h"
#include "BreakerSleepMode.h"
#include "BreakerWaitingMode.h"

using AutomatMode = BreakerMode<Automat>;
using AutomatSleepMode = BreakerSleepMode<Automat>;
using AutomatInitMode = BreakerInitMode<Automat>;
using AutomatOffMode = BreakerOffMode<Automat>;
using AutomatOnMode = BreakerOnMode<Automat>;
using AutomatWaitingMode = BreakerWaitingMode<Automat>;
using AutomatProtectionMode = BreakerProtectionMode<Automat>;
