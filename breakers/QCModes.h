// The modes of the bus-tie breaker, under the names its log lines print.
#pragma once

#include "BreakerInitMode.h"
#include "BreakerMode.h"
#include "BreakerOffMode.h"
#include "BreakerOnMode.h"
#include "BreakerProtectionMode.h"
#include "BreakerSleepMode.h"
#include "BreakerWaitingMode.h"
#include "QC.h"

using QCMode = BreakerMode<QC>;
using QCSleepMode = BreakerSleepMode<QC>;
using QCInitMode = BreakerInitMode<QC>;
using QCOffMode = BreakerOffMode<QC>;
using QCOnMode = BreakerOnMode<QC>;
using QCWaitingMode = BreakerWaitingMode<QC>;
using QCProtectionMode = BreakerProtectionMode<QC>;
