// The sensor device on a pseudo-terminal: a stand-in for the real skin-resistance sensor that
// answers the four commands the program sends and streams sample frames while started.
//
// Protocol (bytes on the line, every frame opened by 0xF0, check = sum of the preceding
// bytes of the frame modulo 256):
//   commands received:  F0 C0 B0 start, F0 C1 B1 stop, F0 C2 B2 device number, F0 C3 B3 date
//   frames sent:        F0 C0 hi lo chk        one sample while started
//                       F0 C1 B1               acknowledgement of stop (three bytes, no check)
//                       F0 C2 d0 d1 d2 d3 chk  device number
//                       F0 C3 yh yl mm dd chk  manufacturing date
// Incoming bytes are scanned as the device does: a byte that does not start a valid command
// is dropped and the scan resumes at the next 0xF0.
//
// The simulator runs its own thread (poll() on the pty master). It needs no Qt.
//
// Port lifetime: the simulator never keeps a slave descriptor of its own, so the program's
// exclusive open (TIOCEXCL) and its hang-up detection behave as with a real adapter. While
// no one has the slave open the master reports a hang-up; the thread then sends nothing
// (bytes are lost as on a real line with the port closed) and rechecks every few
// milliseconds, so the program may close and reopen the port at will without the simulator
// spinning. stop() or destruction closes the master: a program holding the port sees the
// device disappear (read returns 0 / EIO, poll reports POLLHUP).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::sim {

struct SimConfig {
    // Sample frames per second while started; 0 sends as fast as the line takes them.
    double sampleRate = 200;
    // Answer to the device-number command (d0..d3).
    std::array<std::uint8_t, 4> deviceNo{0x12, 0x34, 0xAB, 0xCD};
    // Answer to the date command.
    int year = 2014, month = 5, day = 7;
    // If non-empty, the samples cycle through these values instead of the realistic
    // skin-conductance signal (SkinSignal: around 1000 raw units, responses of a few hundred,
    // so that the chart shows it at its start-up zoom).
    std::vector<std::uint16_t> fixedSequence;
    // If above 0 (and no fixed sequence is set), the samples are white noise, uniformly
    // distributed from 0 to this value: the costliest picture for the chart, every segment a
    // tall stroke. 65535 spans the sensor's full scale; about 2400 the chart's full height at
    // its start-up zoom.
    int noiseMax = 0;
    // Fault injection, each a probability per sample frame in [0, 1]:
    //  badCheckRate: an extra corrupted sample frame (wrong check byte) is sent before the
    //                good one, so the good frames keep the sequence intact;
    //  junkRate:     1 to 8 junk bytes (never 0xF0, so they cannot form a frame) precede it;
    //  splitRate:    the frame is written in two write() calls, the rest about a millisecond
    //                after the first piece, together with whatever is due by then. Nothing
    //                waits for the rest but the bytes behind it, so the rate holds at any
    //                split rate. Of the frames drawn for splitting that go out in one pass of
    //                the simulator's loop (several after the thread waited long, or in
    //                bursts), only the last is split.
    double badCheckRate = 0, junkRate = 0, splitRate = 0;
    // Sample frames are held back and written together in groups of this many (the
    // average rate stays the same).
    int burst = 1;
    // Seed of the pseudo-random faults and of the realistic signal.
    std::uint32_t seed = 1;
};

// What went out on the line, and how the line stands.
struct SimStats {
    std::uint64_t samples = 0;      // good sample frames
    std::uint64_t badFrames = 0;    // corrupted sample frames
    std::uint64_t junkBytes = 0;    // junk bytes between frames
    std::uint64_t splitFrames = 0;  // frames written in two pieces
    std::uint64_t answers = 0;      // device-number, date and stop answers
    std::uint64_t commands = 0;     // valid commands recognised
    // Good sample frames made but not yet fully written, as the simulator's last pass left
    // them: how far the stream is behind its pace (the reader not reading, or the simulator
    // not keeping up).
    std::uint64_t samplesWaiting = 0;
    // Times the simulator found the port closed (no one holding the slave, also before the
    // first opening) and dropped what was queued and unread.
    std::uint64_t hangUps = 0;
    // Passes of the device loop: how often the simulator woke up.
    std::uint64_t wakeUps = 0;
};

class DeviceSimulator {
public:
    explicit DeviceSimulator(SimConfig config = {});
    // Stops, closes the pty and removes the link made by makeLink().
    ~DeviceSimulator();
    DeviceSimulator(const DeviceSimulator&) = delete;
    DeviceSimulator& operator=(const DeviceSimulator&) = delete;

    // Opens the pty (raw mode, so every byte value passes untouched) and starts the thread.
    // False with a reason in *error if the pty cannot be made or it already runs.
    bool start(std::string* error = nullptr);
    // Path of the slave side (/dev/pts/N) once started, else empty.
    std::string slavePath() const;
    // Makes linkPath a symbolic link to the slave, creating parent directories. An existing
    // link is replaced only if it is stale, that is if it leads nowhere or to something that
    // is not a character device (a pts vanishes when its simulator ends). A link to an
    // existing device, such as a running simulator's pty or a real adapter, is in use: then,
    // as for anything that is not a symbolic link, the link is left alone and the result is
    // false with the reason in *error. Moving the link to another path removes the old one
    // if it still leads here. stop() and the destructor remove the link if it still leads
    // to this simulator's port, and leave it if someone has taken the name since.
    bool makeLink(const std::string& linkPath, std::string* error = nullptr);
    // Ends the thread and closes the master: an open slave sees a hang-up. Idempotent.
    void stop();

    bool running() const;
    // True between a start command and a stop command.
    bool sampling() const;
    // Good sample frames written to the line (a frame counts once its last byte is out).
    std::uint64_t samplesSent() const;
    SimStats stats() const;
    // Every byte received on the line so far, in order.
    std::vector<std::uint8_t> receivedBytes() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Where the program looks for the device of port N:
// $XDG_CONFIG_HOME/velmora/ports/COM<N>, by default ~/.config/velmora/ports/COM<N>.
std::string portLinkPath(int portNumber);

}  // namespace velmora::sim
