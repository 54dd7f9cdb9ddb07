"""The program's sound through what people's desktops run, each started for the test as a
private, throw-away daemon (its own runtime folder, socket and HOME, killed afterwards):
PulseAudio, PipeWire with its PulseAudio server and WirePlumber, and plain ALSA with no server.
What reaches the server is recorded from its null sink's monitor with parec (for ALSA: from the
FIFO that an ALSA file plugin writes into) and named by its tone, as in the other tests."""

import fcntl
import os
import resource
import signal
import subprocess
import sys
import threading
import time

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import LETTERS, RATE, AudioTap, write_recordings  # noqa: E402
from e2e_support import (EXIT, MENU_BUTTONS, MENU_EXIT, MENU_LETTER_RECOGNITION,  # noqa: E402
                         PLAY_AGAIN, middle, tile)
from xserver import eventually, stop_process  # noqa: E402

TOOLS = ("Xvfb", "xdotool", "xwininfo", "import", "pulseaudio", "pactl", "parec", "pipewire",
         "pipewire-pulse", "wireplumber", "dbus-daemon")
PACKAGES = ("xvfb, xdotool, x11-utils, imagemagick, pulseaudio, pulseaudio-utils, pipewire, "
            "pipewire-pulse, wireplumber, dbus-daemon")

# The null sink plays at the rate and in the layout the recording is read in.
NULL_SINK = ["sink_name=tap", f"rate={RATE}", "channels=1"]
# A client must never start a server of its own (PulseAudio's autospawn, for users not root).
CLIENT_CONF = "autospawn = no\n"
# Without a server, ALSA's default is a card that no machine has, so that no test depends on
# the machine's own sound card.
NO_CARD = "pcm.!default { type hw card 99 }\nctl.!default { type hw card 99 }\n"
FILE_PLUGIN = """pcm.!default {{
  type file
  slave.pcm "null"
  file "{fifo}"
  format "raw"
}}
"""
F_SETPIPE_SZ = 1031


class SoundServer:
    """A private sound server of one kind ("pulseaudio", "pipewire" or "alsa"), and the sound
    it was given, recorded into self.recording as raw 16-bit mono at 22050 Hz. Killed and
    started again, it goes on recording into the same file."""

    def __init__(self, kind, folder):
        self.kind = kind
        self.runtime = os.path.join(folder, "runtime")
        self.home = os.path.join(folder, "home")
        self.recording = os.path.join(folder, "sound.raw")
        os.makedirs(self.runtime, mode=0o700)
        self.log = open(os.path.join(folder, "server.log"), "ab")
        os.makedirs(os.path.join(self.home, ".config", "pulse"))
        with open(os.path.join(self.home, ".config", "pulse", "client.conf"), "w") as f:
            f.write(CLIENT_CONF)
        # WirePlumber's Bluetooth part asks logind for seats; on a machine without systemd's
        # /run/systemd that fails and WirePlumber quits. A test server has no Bluetooth anyway.
        bluetooth = os.path.join(self.home, ".config", "wireplumber", "bluetooth.lua.d")
        os.makedirs(bluetooth)
        with open(os.path.join(bluetooth, "60-no-bluetooth.lua"), "w") as f:
            f.write("bluez_monitor.enabled = false\n")
        alsa = NO_CARD
        if kind == "alsa":
            self.fifo = os.path.join(folder, "alsa.fifo")
            alsa = FILE_PLUGIN.format(fifo=self.fifo)
        with open(os.path.join(self.home, ".asoundrc"), "w") as f:
            f.write(alsa)
        self.daemons = []  # what kill() ends: the server, and what records it
        self.helpers = []  # what only stop() ends: the session bus
        self._pacing = None

    def env(self):
        """The environment of a client of this server, the program's included."""
        env = {name: value for name, value in os.environ.items()
               if not name.startswith(("PULSE_", "PIPEWIRE_", "SDL_"))}
        env.update(XDG_RUNTIME_DIR=self.runtime, HOME=self.home,
                   DBUS_SESSION_BUS_ADDRESS=f"unix:path={self.runtime}/bus")
        return env

    def program_env(self):
        """What start_program() changes: SDL chooses its audio driver itself, as for a user."""
        env = {name: None for name in os.environ if name.startswith(("PULSE_", "PIPEWIRE_"))}
        env.update({name: value for name, value in self.env().items()
                    if name in ("XDG_RUNTIME_DIR", "HOME", "DBUS_SESSION_BUS_ADDRESS")})
        env.update(SDL_AUDIODRIVER=None, SDL_DISKAUDIOFILE=None)
        return env

    def _spawn(self, command, into, stdout=None):
        proc = subprocess.Popen(command, env=self.env(), stdin=subprocess.DEVNULL,
                                stdout=stdout or self.log, stderr=self.log,
                                start_new_session=True)
        into.append(proc)
        return proc

    def _pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env(), capture_output=True, text=True,
                              timeout=10)

    def start(self):
        if self.kind == "alsa":
            self._start_pacing()
            return
        if self.kind == "pulseaudio":
            self._spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                         "--use-pid-file=no", "-L", " ".join(["module-null-sink"] + NULL_SINK),
                         "-L", "module-native-protocol-unix"], self.daemons)
        else:
            if not self.helpers:  # WirePlumber needs a session bus
                self._spawn(["dbus-daemon", "--session", f"--address=unix:path={self.runtime}/bus",
                             "--nofork", "--nopidfile"], self.helpers)
                eventually(lambda: os.path.exists(f"{self.runtime}/bus"), 10, "the session bus")
            for command in (["pipewire"], ["wireplumber"], ["pipewire-pulse"]):
                self._spawn(command, self.daemons)
        eventually(lambda: (self._pactl("info").returncode == 0, self._pactl("info").stderr), 20,
                   f"{self.kind} to answer")
        if self.kind == "pipewire":
            eventually(lambda: self._pactl("load-module", "module-null-sink", *NULL_SINK)
                       .returncode == 0, 20, "PipeWire to make a null sink")
            self._pactl("set-default-sink", "tap")
        recording = open(self.recording, "ab")
        self._spawn(["parec", "-d", "tap.monitor", "--format=s16le", f"--rate={RATE}",
                     "--channels=1", "--raw", "--latency-msec=20"], self.daemons, recording)
        recording.close()
        # Recording has begun once the monitor gives sound (silence) into the file.
        start = os.path.getsize(self.recording)
        eventually(lambda: os.path.getsize(self.recording) > start, 10, "parec to record")

    def clients(self):
        """The server's playback streams."""
        return self._pactl("list", "short", "sink-inputs").stdout.splitlines()

    def kill(self):
        """Kills the server as a crash would (SIGKILL), and its recorder."""
        for proc in self.daemons:
            if proc.poll() is None:
                os.killpg(proc.pid, signal.SIGKILL)
            proc.wait(10)
        self.daemons = []

    def hang(self):
        """Stops the server and its recorder (SIGSTOP) as a server that hangs: its clients'
        requests go unanswered."""
        for proc in self.daemons:
            os.killpg(proc.pid, signal.SIGSTOP)

    def stop(self):
        self.kill()
        for proc in self.helpers:
            stop_process(proc)
        if self._pacing is not None:
            self._pacing.set()
        self.log.close()

    def _start_pacing(self):
        """Takes what the ALSA file plugin writes into the FIFO at the pace of a sound card:
        ALSA's null device behind it would take any amount at once."""
        os.mkfifo(self.fifo)
        fd = os.open(self.fifo, os.O_RDWR | os.O_NONBLOCK)  # the writer never waits for us
        fcntl.fcntl(fd, F_SETPIPE_SZ, 4096)
        stop = self._pacing = threading.Event()

        def pace():
            begun, taken = time.monotonic(), 0
            with open(self.recording, "ab", buffering=0) as out:
                while not stop.wait(0.01):
                    due = int((time.monotonic() - begun) * RATE) * 2 - taken
                    data = b""
                    if due > 0:
                        try:
                            data = os.read(fd, min(due, 8192))
                        except BlockingIOError:
                            pass
                    out.write(data)
                    taken += len(data) if data else max(due, 0)  # nothing came: time passed
            os.close(fd)
        threading.Thread(target=pace, daemon=True).start()


class SoundServerTest(e2e.ProgramTestCase):

    def setUp(self):
        super().setUp()
        write_recordings(self.app)

    def server(self, kind):
        server = SoundServer(kind, os.path.join(self.root, kind))
        self.addCleanup(server.stop)
        return server

    def start_on(self, server):
        program, _ = self.start_program(extra_env=server.program_env())
        return program, AudioTap(server.recording, program)

    def open_activity(self, program, audio, menu):
        """Letter Recognition from the menu; the letter it asks, as heard."""
        mark = audio.position()
        self.click(menu, MENU_LETTER_RECOGNITION)
        rec = self.x.wait_window("Letter Recognition", program=program)
        asked = audio.next_sound(mark)
        self.assertIn(asked, LETTERS, "the activity should speak a letter as it opens")
        return rec, asked

    def start_and_hear_the_welcome(self, kind):
        """A private server of that kind, then the program on it: the welcome is heard."""
        server = self.server(kind)
        server.start()
        program, audio = self.start_on(server)
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(0), "Welcome")
        return server, program, audio, menu

    def no_sound_lines(self, program):
        return [line for line in program.stderr().splitlines()
                if line.startswith("wordmeadow: no sound")]

    def test_pulseaudio_lets_go_when_idle_and_outlives_a_server_restart_and_a_hang(self):
        server, program, audio, menu = self.start_and_hear_the_welcome("pulseaudio")

        # Once the welcome is over and nothing plays, the program lets the server go...
        eventually(lambda: (server.clients() == [], server.clients()), 20,
                   "the program to close its stream")
        # ...and opens it again for the next sound.
        rec, asked = self.open_activity(program, audio, menu)

        # The server is killed in the middle of a sound, and comes back.
        mark = audio.wait_quiet()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), asked)
        server.kill()
        server.start()
        mark = audio.position()
        self.click(rec, tile(asked))
        heard = audio.next_sound(mark)
        self.assertIn(heard, LETTERS, "the next letter after the server came back")
        self.assertNotEqual(heard, asked)
        program.check_running()
        self.assertEqual(self.no_sound_lines(program), [])

        # The server hangs in the middle of a sound: leaving does not wait for it.
        mark = audio.wait_quiet()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), heard)
        server.hang()
        self.click(rec, EXIT)
        self.x.wait_no_window("Letter Recognition")
        self.click(menu, MENU_EXIT)
        left = time.monotonic()
        self.assertEqual(program.wait_exit(timeout=5), 0, program.stderr())
        print(f"\n  Exit! to the program's end with the server hung: "
              f"{time.monotonic() - left:.2f} s", file=sys.stderr)

    def test_running_out_of_memory_with_the_server_hung_ends_the_program_at_once(self):
        # The welcome's device is still open when the server hangs; then the machine has no
        # memory left for the next window. The program says why and ends without waiting for
        # the server, which would keep it for ever.
        server, program, audio, menu = self.start_and_hear_the_welcome("pulseaudio")
        server.hang()
        with open(f"/proc/{program.proc.pid}/status") as f:
            size = next(int(line.split()[1]) * 1024 for line in f if line.startswith("VmSize:"))
        resource.prlimit(program.proc.pid, resource.RLIMIT_AS, (size, size))
        self.click(menu, middle(MENU_BUTTONS["Build A Sentence"]))
        left = time.monotonic()
        self.assertEqual(program.wait_exit(timeout=10), 1, program.stderr())
        self.assertRegex(program.stderr(), r"(?m)^wordmeadow: .*([Oo]ut of memory|bad_alloc)")
        print(f"\n  out of memory to the program's end with the server hung: "
              f"{time.monotonic() - left:.2f} s", file=sys.stderr)

    def test_pulseaudio_started_after_the_program(self):
        server = self.server("pulseaudio")
        program, audio = self.start_on(server)
        started = time.monotonic()
        menu = self.x.wait_window("Wordmeadow", program=program)
        eventually(lambda: (len(self.no_sound_lines(program)) == 1, program.stderr()), 10,
                   "the program to say it has no sound")
        time.sleep(max(0.0, started + 2 - time.monotonic()))
        server.start()
        self.open_activity(program, audio, menu)
        self.assertEqual(len(self.no_sound_lines(program)), 1, program.stderr())

    def test_pipewire_plays_the_welcome(self):
        self.start_and_hear_the_welcome("pipewire")

    def test_plain_alsa_plays_the_welcome(self):
        self.start_and_hear_the_welcome("alsa")


if __name__ == "__main__":
    e2e.run_tests(TOOLS, PACKAGES)
