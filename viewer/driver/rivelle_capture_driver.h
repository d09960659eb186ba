/*
 * Rivelle capture drivers.
 *
 * A capture driver is a shared library (".so") through which Rivelle reads
 * S-parameters from an instrument it does not know itself. The library
 * exports the five functions below by name, with C linkage and the
 * platform's default calling convention. Integers are 32 bits wide and
 * pointers native. Rivelle loads the library for one capture and unloads
 * it afterwards; it also loads it once when the user adds it, to ask its
 * name.
 *
 * A capture calls, in this order: Initialise, GetFreqArray, then GetChannel
 * once for each trace, and CloseDriver whenever Initialise succeeded. The
 * calls may come from different threads, one at a time, never from the
 * thread that shows the windows.
 */
#ifndef RIVELLE_CAPTURE_DRIVER_H
#define RIVELLE_CAPTURE_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define RIVELLE_DRIVER_EXPORT __attribute__((visibility("default")))
#else
#define RIVELLE_DRIVER_EXPORT
#endif

/* Longest display name, without its terminating NUL. A name must not be
 * empty and must not hold "=", "[", "]" or a line break. */
#define RIVELLE_DRIVER_NAME_MAX 127

/* Most points a capture takes. */
#define RIVELLE_DRIVER_POINTS_MAX 1000000

/* Channels of GetChannel, as seen at the instrument's two ports. */
#define RIVELLE_CHANNEL_S11 1
#define RIVELLE_CHANNEL_S12 2
#define RIVELLE_CHANNEL_S21 3
#define RIVELLE_CHANNEL_S22 4

/* Results of Initialise that Rivelle explains to the user; any other
 * negative value fails without a message. */
#define RIVELLE_INIT_NO_BUS_LIBRARY (-1) /* "Unable to Load GPIB32.DLL" */
#define RIVELLE_INIT_BUS_FUNCTION (-2) /* "GPIB32.DLL function Error" */
#define RIVELLE_INIT_BUS_ERROR (-3) /* "GPIB error!" and check connections */

typedef int32_t (*RivelleGetInfoFn)(const char** name);
typedef int32_t (*RivelleInitialiseFn)(int32_t address);
typedef int32_t (*RivelleGetFreqArrayFn)(double** buffer);
typedef int32_t (*RivelleGetChannelFn)(int32_t channel, double** buffer);
typedef int32_t (*RivelleCloseDriverFn)(void);

/* Stores in *name a pointer to the driver's NUL-terminated display name,
 * which Rivelle copies at once. The result is not used. */
RIVELLE_DRIVER_EXPORT int32_t GetInfo(const char** name);

/* Opens the instrument at the bus address (1 to 31). Returns the number of
 * points of each trace (1 to RIVELLE_DRIVER_POINTS_MAX), or a negative
 * value on failure. */
RIVELLE_DRIVER_EXPORT int32_t Initialise(int32_t address);

/* *buffer points to room for the points' frequencies, in Hz, as doubles.
 * Returns a negative value on failure. */
RIVELLE_DRIVER_EXPORT int32_t GetFreqArray(double** buffer);

/* *buffer points to room for the trace of `channel`: one pair of doubles
 * (real, imaginary part) per point. Returns a negative value on failure;
 * a trace with a value left unwritten also fails the capture. */
RIVELLE_DRIVER_EXPORT int32_t GetChannel(int32_t channel, double** buffer);

/* Ends the capture. The result is not used. */
RIVELLE_DRIVER_EXPORT int32_t CloseDriver(void);

#ifdef __cplusplus
}
#endif

#endif /* RIVELLE_CAPTURE_DRIVER_H */
