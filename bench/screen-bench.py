#!/usr/bin/env python3
"""Runs the real VelmoraEn on its own Xvfb against a simulated device and prints one table:
CPU (percent of one core, per second of stream) and resident memory of the program for
several deliveries, display modes and signals; frames sent against frames decoded with the
device unthrottled; byte-to-screen latency on an idle chart, read from the X server's
pixels; and, for comparison, the CPU and memory of a bare Qt dialog that reads the same
streams and throws the bytes away (the floor any Qt program here pays).

Needs a build (build/ or $VELMORA_BUILD_DIR) and the packages of scripts/install-deps.sh.
$VELMORA_APP and $VELMORA_ENDTOEND name other builds of VelmoraEn and of
velmora_bench_endtoend, to compare two versions on the same machine.
Usage: bench/screen-bench.py [--seconds N] [--steps N] [--quick]
"""
import argparse
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("VELMORA_BUILD_DIR", os.path.join(ROOT, "build"))
APP = os.environ.get("VELMORA_APP", os.path.join(BUILD, "app", "VelmoraEn"))
SIM = os.path.join(BUILD, "tools", "sim", "velmora-sim")
PROBE = os.path.join(BUILD, "bench", "x11", "velmora-xprobe")
FLOOR = os.path.join(BUILD, "bench", "x11", "velmora-xfloor")
ENDTOEND = os.environ.get("VELMORA_ENDTOEND",
                          os.path.join(BUILD, "bench", "serial", "velmora_bench_endtoend"))
TICK = os.sysconf("SC_CLK_TCK")

# Where the main dialog's controls lie, in dialog units: the chart frame, and the centres of
# the two buttons clicked. The chart's pixels on the screen give the dialog-unit scale.
FRAME = (6, 16, 516, 244)
OPEN_PORT = (112 + 26, 302 + 11)
START_SAMPLING = (175 + 34, 291 + 10)
ZOOM_Y = 20  # the chart's start-up Y zoom: 100 / 20 sample units per pixel row


def start_xvfb():
    read, write = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
        pass_fds=[write], stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            sys.exit("Xvfb did not start")
        number += chunk
    os.close(read)
    return xvfb, ":" + number.decode().strip()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime + stime


def resident_mb(pid):
    """VmRSS, and the part of it that is pages of mapped files (libraries, fonts), in MB."""
    fields = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key in ("VmRSS", "RssFile"):
                fields[key] = int(value.split()[0]) / 1024
    return fields.get("VmRSS", 0.0), fields.get("RssFile", 0.0)


class Session:
    """One VelmoraEn on the shared X server, with its own configuration folder."""

    def __init__(self, env):
        self.env = env
        self.app = None

    def start_app(self):
        self.app = subprocess.Popen([APP], env=self.env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        deadline = time.time() + 20
        while time.time() < deadline:
            out = subprocess.run([PROBE, "chart"], env=self.env, capture_output=True, text=True)
            if out.returncode == 0:
                self.chart = [int(v) for v in out.stdout.split()]
                return
            time.sleep(0.2)
        sys.exit("VelmoraEn did not show its chart")

    def at(self, dlu):
        """Screen pixel of a point given in dialog units."""
        x, y, w, h = self.chart
        sx, sy = w / FRAME[2], h / FRAME[3]
        return (round(x + (dlu[0] - FRAME[0]) * sx), round(y + (dlu[1] - FRAME[1]) * sy))

    def xdo(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True)

    def click(self, dlu):
        self.xdo("mousemove", *self.at(dlu), "click", "1")

    def scroll_display(self):
        """Right-click the chart and choose Display Mode > Scroll Display."""
        x, y, w, h = self.chart
        self.xdo("mousemove", x + w // 2, y + h // 2, "click", "3")
        time.sleep(0.5)
        # Zoom In, Zoom Out, Zoom Mode, Display Mode; open it; Turn-Start, Scroll Display.
        for key in ["Down", "Down", "Down", "Down", "Right", "Down", "Return"]:
            self.xdo("key", key)
            time.sleep(0.1)
        self.xdo("mousemove", 0, 0)

    def stop(self):
        if self.app and self.app.poll() is None:
            self.app.send_signal(signal.SIGTERM)
            try:
                self.app.wait(10)
            except subprocess.TimeoutExpired:
                self.app.kill()
                self.app.wait()


def start_sim(env, rate, burst, *options):
    """velmora-sim behind COM1 of the private configuration, writing `burst` frames at a time."""
    return subprocess.Popen([SIM, "--link", "COM1", "--rate", str(rate), "--burst", str(burst),
                             "-q", *options], env=env)


def stop_sim(sim):
    sim.send_signal(signal.SIGINT)  # Ctrl+C: it removes its link
    sim.wait()


def stream_run(env, rate, burst, scroll, noise, seconds):
    s = Session(env)
    sim = None
    try:
        s.start_app()
        # Noise from the bottom row to the top row of the plot.
        sim = start_sim(env, rate, burst,
                        *(["--noise", str(s.chart[3] * 100 // ZOOM_Y)] if noise else []))
        time.sleep(0.3)
        if scroll:
            s.scroll_display()
        s.click(OPEN_PORT)
        time.sleep(1.5)  # the program pauses after opening
        s.click(START_SAMPLING)
        time.sleep(2)  # settle
        c0, t0 = cpu_seconds(s.app.pid), time.monotonic()
        time.sleep(seconds)
        c1, t1 = cpu_seconds(s.app.pid), time.monotonic()
        return 100 * (c1 - c0) / (t1 - t0), resident_mb(s.app.pid)
    finally:
        s.stop()
        if sim:
            stop_sim(sim)


def floor_run(env, rate, burst, seconds):
    """The same stream read by a bare Qt dialog with a label and a button that throws the
    bytes away (velmora-xfloor): the part of the figures above that any Qt program reading
    the line pays."""
    link = os.path.join(env["XDG_CONFIG_HOME"], "velmora", "ports", "COM1")
    sim = start_sim(env, rate, burst)
    floor = None
    try:
        time.sleep(0.3)
        floor = subprocess.Popen([FLOOR, link], env=env, stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        time.sleep(2)  # settle
        c0, t0 = cpu_seconds(floor.pid), time.monotonic()
        time.sleep(seconds)
        c1, t1 = cpu_seconds(floor.pid), time.monotonic()
        return 100 * (c1 - c0) / (t1 - t0), resident_mb(floor.pid)
    finally:
        if floor:
            floor.terminate()
            floor.wait()
        stop_sim(sim)


def latency_run(env, steps):
    s = Session(env)
    try:
        s.start_app()
        x, y, w, h = s.chart
        link = os.path.join(env["XDG_CONFIG_HOME"], "velmora", "ports", "COM1")
        os.makedirs(os.path.dirname(link), exist_ok=True)
        # The probe writes values 300 and 2100 in turn. A new segment's middle, value 1200,
        # lies in the new sample's column (the column before holds the half drawn with the
        # last segment), so its row changes at every step; polling that row and one either
        # side (the mapping's rounding) keeps the X server free for the program.
        middle = y + h - 1 - 1200 * ZOOM_Y // 100  # value 0 lies on the bottom row
        probe = subprocess.Popen([PROBE, "latency", link, str(steps)] +
                                 [str(v) for v in (x, middle - 1, w, 3)], env=env,
                                 stdout=subprocess.PIPE, text=True)
        if probe.stdout.readline().strip() != "linked":
            sys.exit("velmora-xprobe could not make the port")
        s.click(OPEN_PORT)
        lines = probe.stdout.read().split()  # ends when the probe does (2 s a step at most)
        probe.wait()
        return [float(v) for v in lines if v != "timeout"], lines.count("timeout")
    finally:
        s.stop()


def unthrottled_run(env):
    """The main dialog in-process on the same X server (its statistics count every decoded
    frame), the simulator writing as fast as the line takes."""
    out = subprocess.run([ENDTOEND, "--benchmark_filter=BM_StreamIntoDialog/0/",
                          "--benchmark_format=csv"],
                         env=dict(env, QT_QPA_PLATFORM="xcb"), capture_output=True, text=True)
    header, row = None, None
    for line in out.stdout.splitlines():
        if line.startswith("name,"):
            header = [name.strip('"') for name in line.split(",")]
        elif header and line.startswith('"BM_StreamIntoDialog'):
            row = dict(zip(header, line.split(",")))
    if not row:
        return None
    return float(row["frames_sent"]), float(row["samples_decoded"])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=10, help="measured seconds per run")
    parser.add_argument("--steps", type=int, default=30, help="latency steps")
    parser.add_argument("--quick", action="store_true",
                        help="only the rows with goals (no full matrix of modes and signals)")
    args = parser.parse_args()
    for path in (APP, SIM, PROBE, FLOOR, ENDTOEND):
        if not os.path.exists(path):
            sys.exit(f"missing {path}: build first (scripts/build.sh)")

    xvfb, display = start_xvfb()
    config = tempfile.TemporaryDirectory(prefix="velmora-bench-")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
               XDG_CONFIG_HOME=config.name)
    env.pop("WAYLAND_DISPLAY", None)
    rows = []
    try:
        deliveries = [("1,152 frames/s, 6 frames every 5 ms", 1152, 6),
                      ("1,152 frames/s, 1 frame per read", 1152, 1),
                      ("60,000 frames/s, 300 frames every 5 ms", 60000, 300)]
        runs = []
        for name, rate, burst in deliveries:
            for scroll in (False, True):
                for noise in (False, True):
                    goal = ((burst == 6 and not scroll and not noise) or
                            (burst == 1 and scroll and noise) or
                            (burst == 300 and not scroll and not noise))
                    if args.quick and not goal:
                        continue
                    runs.append((name, rate, burst, scroll, noise))
        peak = (0.0, 0.0)
        for name, rate, burst, scroll, noise in runs:
            cpu, (rss, files) = stream_run(env, rate, burst, scroll, noise, args.seconds)
            peak = max(peak, (rss, files))
            label = (f"{name}, {'scrolling' if scroll else 'page-turning'}, "
                     f"{'noisy full-scale' if noise else 'simulator signal'}")
            rows.append((label, f"{cpu:.1f} % CPU, {rss:.1f} MB"))
            print(f"  {label}: {rows[-1][1]}", file=sys.stderr, flush=True)
        rows.append(("resident memory (largest of the runs above)",
                     f"{peak[0]:.1f} MB, of which {peak[1]:.1f} MB pages of mapped files "
                     "(libraries, fonts)"))
        for name, rate, burst in deliveries:
            cpu, (rss, files) = floor_run(env, rate, burst, args.seconds)
            rows.append((f"floor: a bare Qt dialog reading {name}",
                         f"{cpu:.1f} % CPU, {rss:.1f} MB ({files:.1f} MB of mapped files)"))
            print(f"  {rows[-1][0]}: {rows[-1][1]}", file=sys.stderr, flush=True)

        unthrottled = unthrottled_run(env)
        if unthrottled:
            sent, decoded = unthrottled
            rows.append(("unthrottled, 10 s: frames sent / decoded",
                         f"{sent / 10 / 1e6:.2f} million frames/s, "
                         f"{sent:.0f} sent, {decoded:.0f} decoded"))
        else:
            rows.append(("unthrottled", "did not run"))

        times, timeouts = latency_run(env, args.steps)
        if len(times) >= 2:
            q = statistics.quantiles(times, n=10)
            rows.append(("byte to screen, idle chart",
                         f"median {statistics.median(times):.2f} ms, 90th percentile "
                         f"{q[8]:.2f} ms ({len(times)} steps, {timeouts} timed out)"))
        else:
            rows.append(("byte to screen, idle chart", f"no change seen ({timeouts} timed out)"))
    finally:
        xvfb.terminate()
        xvfb.wait()
        config.cleanup()

    width = max(len(r[0]) for r in rows)
    print(f"{'Measure'.ljust(width)} | Result")
    print(f"{'-' * width}-|-{'-' * 50}")
    for label, value in rows:
        print(f"{label.ljust(width)} | {value}")


if __name__ == "__main__":
    main()
