/* A capture driver for the tests. What it does is chosen when it is built:
 *   DRIVER_NAME     the display name (a string), or DRIVER_NAME_NULL for
 *                   none, DRIVER_NAME_LONG for one without a NUL in bound
 *   DRIVER_POINTS   what Initialise returns (points, or a failure code)
 *   DRIVER_LAST_HZ  the last frequency; the first is a tenth of it
 *   DRIVER_FREQ_RESULT, DRIVER_CHANNEL_RESULT  results of those calls
 *   DRIVER_NAN_CHANNEL   channel whose first value is not a number
 *   DRIVER_SHORT_CHANNEL channel whose last value is left unwritten
 *   DRIVER_NO_CLOSE  leaves CloseDriver out
 * It counts its calls and records the channels asked for, which the tests
 * read through the Test* exports while they hold the library loaded. */
#include "viewer/driver/rivelle_capture_driver.h"

#include <math.h>
#include <string.h>

#ifndef DRIVER_POINTS
#define DRIVER_POINTS 5
#endif
#ifndef DRIVER_LAST_HZ
#define DRIVER_LAST_HZ 2.4e9
#endif
#ifndef DRIVER_FREQ_RESULT
#define DRIVER_FREQ_RESULT 0
#endif
#ifndef DRIVER_CHANNEL_RESULT
#define DRIVER_CHANNEL_RESULT 0
#endif
#ifndef DRIVER_NAN_CHANNEL
#define DRIVER_NAN_CHANNEL 0
#endif
#ifndef DRIVER_SHORT_CHANNEL
#define DRIVER_SHORT_CHANNEL 0
#endif

static int32_t counts[4]; /* Initialise, CloseDriver, last address, GetFreqArray */
static int32_t channels[64];
static int32_t channelCount;
static int32_t points;

#if defined(DRIVER_NAME_LONG)
static char longName[RIVELLE_DRIVER_NAME_MAX + 1];
#endif

RIVELLE_DRIVER_EXPORT int32_t GetInfo(const char** name)
{
#if defined(DRIVER_NAME_NULL)
    *name = 0;
#elif defined(DRIVER_NAME_LONG)
    memset(longName, 'x', sizeof longName); /* no NUL within the bound */
    *name = longName;
#else
    *name = DRIVER_NAME;
#endif
    return 0;
}

RIVELLE_DRIVER_EXPORT int32_t Initialise(int32_t address)
{
    ++counts[0];
    counts[2] = address;
    channelCount = 0;
    points = DRIVER_POINTS;
    return DRIVER_POINTS;
}

RIVELLE_DRIVER_EXPORT int32_t GetFreqArray(double** buffer)
{
    ++counts[3];
    for (int32_t k = 0; k < points; ++k)
        (*buffer)[k] = points == 1 ? DRIVER_LAST_HZ : DRIVER_LAST_HZ / 10.0 + (DRIVER_LAST_HZ * 0.9) * k / (points - 1);
    return DRIVER_FREQ_RESULT;
}

RIVELLE_DRIVER_EXPORT int32_t GetChannel(int32_t channel, double** buffer)
{
    if (channelCount < 64)
        channels[channelCount++] = channel;
    int32_t n = points;
    if (channel == DRIVER_SHORT_CHANNEL)
        --n;
    for (int32_t k = 0; k < 2 * n; k += 2) {
        (*buffer)[k] = 0.1 * channel + 0.01 * (k / 2);
        (*buffer)[k + 1] = -0.05 * channel;
    }
    if (channel == DRIVER_NAN_CHANNEL)
        (*buffer)[0] = NAN;
    return DRIVER_CHANNEL_RESULT;
}

#ifndef DRIVER_NO_CLOSE
RIVELLE_DRIVER_EXPORT int32_t CloseDriver(void)
{
    ++counts[1];
    return 0;
}
#endif

RIVELLE_DRIVER_EXPORT int32_t TestCount(int32_t which)
{
    return which >= 0 && which < 4 ? counts[which] : -1;
}

RIVELLE_DRIVER_EXPORT int32_t TestChannelAt(int32_t index)
{
    return index >= 0 && index < channelCount ? channels[index] : -1;
}
