/*
 * vardel.h - host interface of the drill inspection station (vardel.dll).
 *
 * The host machine-control program loads vardel.dll (32-bit Windows), opens the
 * station once, and asks it to inspect or calibrate each drill.  All six
 * functions use the __stdcall convention and are exported undecorated, so a
 * host can bind them with GetProcAddress(module, "vardelOpen") and so on.
 * Integers are 32-bit signed.
 *
 * Threads: the station's window, its timer and its buttons run on the thread
 * that called vardelOpen; that thread must run a message loop.  Host commands
 * (vardelFunction) may come from any thread; they are serialised by the
 * station lock.
 *
 * Result codes of vardelFunction:
 *     >= 0  motor pulses (inspection A: distance still to push; calibration M:
 *           push distance to position N), or OK (inspection B, calibration N)
 *       -1  image error: the edge gauge found no drill silhouette, or the
 *           station cannot measure (for example a calibration N with no height)
 *       -2  ring position out of tolerance (inspection B)
 *       -3  drill length out of tolerance (reported by inspection B)
 *       -4  drill diameter out of tolerance
 *       -6  an edge point lies at a negative position (image error)
 *       -7  the camera delivers no signal
 *       -9  calibration positions M and N coincide; also vardelDialog on a
 *           station that is not open
 */
#ifndef VARDEL_H
#define VARDEL_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef VARDEL_API
#define VARDEL_API __declspec(dllimport)
#endif

/* Called by the station when the operator starts a command with a button of
 * the station's window, on the window's thread, before the command runs.
 *   button: 0 inspection A, 1 inspection B, 2 calibration M, 3 calibration N
 *   pulses: the distance the machine is to move for it, in motor pulses */
typedef void(__stdcall* VardelNotify)(int32_t button, int32_t pulses);

/* Opens the station: reads its files, starts the camera and I/O, builds the
 * (hidden) window.  0 when the station is ready, also when it was open
 * already; -1 when a device or outside library could not be started (the
 * station then stays closed and vardelOpen may be called again). */
VARDEL_API int32_t __stdcall vardelOpen(void);

/* Closes the station: stops the camera, saves the parameter file, destroys
 * the window.  0; does nothing when the station is not open.  It may be
 * called from any thread: the thread that opened the station closes its
 * windows (it must run its message loop), and when that thread has ended
 * the station closes on the calling thread.  A command that another thread
 * is running when the close comes is finished first; calls that arrive
 * during the close or after it answer as on a closed station.  -2 when the
 * opening thread still exists but has not answered within 5 seconds (it
 * runs no message loop, or stays inside an operator's dialog of the station
 * all that time), and when vardelClose is called from within the station's
 * own window code (the notification function of a button): the station
 * then stays open, and vardelClose may be called again. */
VARDEL_API int32_t __stdcall vardelClose(void);

/* Shows the station's window.  language >= 0 selects the caption language
 * first (0 Traditional Chinese, 1 English); a negative value keeps it.
 * Modeless (returns at once) when the setting dShowModal in Kest.INI is 1,
 * modal otherwise (returns when the operator closes the window; the station
 * stays open).  0, or -9 when the station is not open; -2 when the thread
 * that opened the station does not answer within 5 seconds (a modal show
 * also returns -2 when that thread stops answering or ends while the window
 * is up). */
VARDEL_API int32_t __stdcall vardelDialog(int32_t language);

/* Runs one command and returns its result code (table above):
 *   1 inspection B, 2 calibration M, 3 calibration N,
 *   0 and every other value inspection A.
 * Returns -1 when the station is not open. */
VARDEL_API int32_t __stdcall vardelFunction(int32_t command);

/* Registers the notification function (replacing any earlier one); NULL
 * removes it.  Allowed whether the station is open or not. */
VARDEL_API void __stdcall vardelCallback(VardelNotify notify);

/* The initial push distance of the parameter set in motor pulses (rounded,
 * halves away from zero).  The argument is not used.  0 when the station is
 * not open. */
VARDEL_API int32_t __stdcall vardelGetParametr(int32_t unused);

#ifdef __cplusplus
}
#endif

#endif
