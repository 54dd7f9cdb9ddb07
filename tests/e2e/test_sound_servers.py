"""The program's sound through what people's desktops run, each started for the test as a
private, throw-away daemon (its own runtime folder, socket and HOME, killed afterwards):
PulseAudio, PipeWire with its PulseAudio server and WirePlumber, and plain ALSA with no server.
What reaches the server is recorded from its null sink's monitor with parec (for ALSA: from the
FIFO that an ALSA file plugin writes into) and named by its tone, as in the other tests. For the
recorder, PulseAudio's default source is a virtual microphone: the monitor of a second null sink,
remapped, into which the test plays what the microphone is to hear; the recorder is also used on
a desktop at 200 %."""

import fcntl
import os
import resource
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import zipfile

sys.dont_write_bytecode = True
import e2e_support as e2e  # noqa: E402
from audio_tap import (  # noqa: E402
    LETTERS, RATE, TONES, AudioTap, kept_take, write_recordings, write_tone)
from e2e_support import (  # noqa: E402
    EXIT, MENU_BUTTONS, MENU_EXIT, MENU_LETTER_RECOGNITION, PLAY_AGAIN, RECORDER_BUTTON,
    RECORDER_HEAR, RECORDER_LOAD, RECORDER_SAVE, RECORDER_SIZE, RECORDER_STOP_BODY,
    RECORDER_USE_PROGRAMS_VOICE, middle, recorder_letter, tile)
from xserver import eventually, stop_process  # noqa: E402

TOOLS = ("Xvfb", "xdotool", "xwininfo", "import", "pulseaudio", "pactl", "parec", "paplay",
         "pipewire",
         "pipewire-pulse", "wireplumber", "dbus-daemon", "zenity", "xset")
PACKAGES = ("xvfb, xdotool, x11-utils, imagemagick, pulseaudio, pulseaudio-utils, pipewire, "
            "pipewire-pulse, wireplumber, dbus-daemon, zenity, x11-xserver-utils")

# The null sink plays at the rate and in the layout the recording is read in.
NULL_SINK = ["sink_name=tap", f"rate={RATE}", "channels=1"]
# The virtual microphone: what is played into the sink "mic" is heard on the source "microphone".
MIC_SINK = ["sink_name=mic", f"rate={RATE}", "channels=1"]
MIC_SOURCE = ["master=mic.monitor", "source_name=microphone"]
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

    def __init__(self, kind, folder, microphone=False):
        self.kind = kind
        self.microphone = microphone
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
            modules = ["-L", " ".join(["module-null-sink"] + NULL_SINK)]
            if self.microphone:
                # The command line interface's socket: pactl cannot end a stream.
                modules += ["-L", " ".join(["module-null-sink"] + MIC_SINK),
                            "-L", " ".join(["module-remap-source"] + MIC_SOURCE),
                            "-L", "module-cli-protocol-unix"]
            self._spawn(["pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                         "--use-pid-file=no", *modules, "-L", "module-native-protocol-unix"],
                        self.daemons)
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
        if self.microphone:
            self._pactl("set-default-source", "microphone")
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

    def recording_clients(self):
        """The capture streams of the virtual microphone."""
        sources = [line.split("\t") for line in
                   self._pactl("list", "short", "sources").stdout.splitlines()]
        microphone = [fields[0] for fields in sources if fields[1] == "microphone"]
        return [line for line in self._pactl("list", "short", "source-outputs").stdout.splitlines()
                if line.split("\t")[1:2] == microphone]

    def unplug_microphone(self):
        """Ends the virtual microphone's capture streams, as the server does when the device
        behind them goes away."""
        for line in self.recording_clients():
            self._command(f"kill-source-output {line.split(chr(9))[0]}")

    def _command(self, command):
        """A command of PulseAudio's command line interface, through its socket (pacmd looks
        for a PID file, which the test's server does not write)."""
        with socket.socket(socket.AF_UNIX) as cli:
            cli.settimeout(10)
            cli.connect(os.path.join(self.runtime, "pulse", "cli"))
            cli.sendall(command.encode() + b"\n")
            cli.shutdown(socket.SHUT_WR)
            answer = b"".join(iter(lambda: cli.recv(4096), b"")).decode()
        if "No" in answer or "Unknown" in answer or "failed" in answer.lower():
            raise AssertionError(f"{command}: {answer}")

    def say(self, wav):
        """Plays the file into the virtual microphone; returns at once."""
        return self._spawn(["paplay", "--device=mic", wav], self.helpers)

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

    def replace(self):
        """Starts a PulseAudio server in the place of this hung one, as a session does that
        restarts a server it cannot stop: new clients reach the new one, the hung one keeps
        those it had."""
        os.unlink(os.path.join(self.runtime, "pulse", "native"))
        self.start()

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


class SoundServerCase(e2e.ProgramTestCase):
    """The program on a private sound server."""

    def setUp(self):
        super().setUp()
        write_recordings(self.app)

    def server(self, kind, microphone=False):
        server = SoundServer(kind, os.path.join(self.root, kind), microphone)
        self.addCleanup(server.stop)
        return server

    def start_on(self, server, name="run", args=(), extra_env=None):
        env = server.program_env() | (extra_env or {})
        env["XDG_DATA_HOME"] = os.path.join(self.root, "data")
        program, _ = self.start_program(name, extra_env=env, args=args)
        return program, AudioTap(server.recording, program)

    def open_activity(self, program, audio, menu, letters=LETTERS):
        """Letter Recognition from the menu; the letter it asks, as heard."""
        mark = audio.position()
        self.click(menu, MENU_LETTER_RECOGNITION)
        rec = self.x.wait_window("Letter Recognition", program=program)
        asked = audio.next_sound(mark)
        self.assertIn(asked, letters, "the activity should speak a letter as it opens")
        return rec, asked

    def start_and_hear_the_welcome(self, kind, extra_env=None):
        """A private server of that kind, then the program on it: the welcome is heard."""
        server = self.server(kind)
        server.start()
        program, audio = self.start_on(server, extra_env=extra_env)
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(0), "Welcome")
        return server, program, audio, menu

    def no_sound_lines(self, program):
        return [line for line in program.stderr().splitlines()
                if line.startswith("wordmeadow: no sound")]

    def answer_file_dialog(self, title, program, path, clear_key):
        """Types the file's name into zenity's file dialog, open in the file's folder, as a
        person would, and presses Enter; again if the dialog had not yet taken the keys (GTK
        shows it before it listens to them). A whole path would race GTK's completion of the
        folders' names."""
        dialog = self.x.wait_window(title, program=program)
        # A loaded machine may hold a key down past the repeat delay, and type it twice.
        self.x.run("xset", "r", "off")
        for attempt in range(3):
            time.sleep(1)
            # No window manager here gives it the keyboard, as the program has it.
            self.x.run("xdotool", "windowfocus", "--sync", dialog["id"])
            self.x.key(clear_key)
            self.x.run("xdotool", "type", "--delay", "60", os.path.basename(path))
            self.x.key("Return")
            try:
                self.x.wait_no_window(title, timeout=5 if attempt < 2 else 20)
                return
            except AssertionError:
                if attempt == 2:
                    raise

    def record_a_letter_by_clicks_then_hear_it_in_letter_recognition(self):
        server = self.server("pulseaudio", microphone=True)
        server.start()
        program, audio = self.start_on(server, "recorder", ["--voices"])
        recorder = self.x.wait_window("Record Your Own Voice", program=program)
        # At the display's scale: the whole list, drawn and clicked at its scaled places.
        self.assertEqual((recorder["width"], recorder["height"]),
                         tuple(e2e.device(units, recorder["scale"]) for units in RECORDER_SIZE))
        eventually(lambda: (len(server.recording_clients()) == 1, server.recording_clients()), 10,
                   "the recorder to open the microphone")
        # "A" said into the microphone: a tone between stretches of a quiet room (a null sink's
        # monitor gives nothing while nothing plays into it, where a microphone hears the room).
        said = os.path.join(self.root, "said.wav")
        write_tone(said, TONES["own"], 0.6, quiet_around=(0.4, 0.3))
        self.click(recorder, recorder_letter("A"))
        self.click(recorder, RECORDER_BUTTON)  # Record
        # Spoken once Stop shows, as a person would.
        self.wait_until_seen(recorder, RECORDER_STOP_BODY, e2e.is_grey, program)
        time.sleep(0.2)
        server.say(said)
        # The take ends by itself after the speech and is heard back at once.
        self.assertEqual(audio.next_sound(audio.position(), timeout=15), "own")
        self.x.screenshot().save_png(os.path.join(self.root, "recorder.png"))
        self.click(recorder, RECORDER_BUTTON)  # Keep
        voice = os.path.join(self.root, "data", "wordmeadow", "voice")
        eventually(lambda: os.path.exists(os.path.join(voice, "A.wav")), 10, "A.wav to be kept")
        self.wait_until_seen(recorder, recorder_letter("A", (88, 12)), e2e.is_green, program)
        # Kept as 16-bit mono, trimmed to about 80 ms before the sound and 150 ms after it.
        onset, length = kept_take(os.path.join(voice, "A.wav"))
        self.assertTrue(0.05 < onset <= 0.1, onset)
        self.assertAlmostEqual(length, 0.08 + 0.6 + 0.15, delta=0.03)
        with open(os.path.join(voice, "A.wav"), "rb") as kept:
            recorded = kept.read()

        # The voice into a file, through zenity's dialog, under a name a shell would split, in
        # the folder the dialog opens in: the home folder.
        saved = os.path.join(server.home, 'Grandma\'s "A" voice.zip')
        self.click(recorder, RECORDER_SAVE)
        self.answer_file_dialog("Wordmeadow: save to a file", program, saved, "ctrl+a")
        eventually(lambda: os.path.exists(saved), 10, "the voice file to be saved")
        with zipfile.ZipFile(saved) as voice_file:
            self.assertEqual(voice_file.namelist(), ["A.wav"])
            self.assertEqual(voice_file.read("A.wav"), recorded)
        # A back in the program's voice, and the voice folder gone; then the file loaded.
        self.click(recorder, recorder_letter("A"))
        self.click(recorder, RECORDER_USE_PROGRAMS_VOICE)
        self.wait_until_seen(recorder, recorder_letter("A", (88, 12)), e2e.is_blue, program)
        shutil.rmtree(voice)
        self.click(recorder, RECORDER_LOAD)
        self.answer_file_dialog("Wordmeadow: open a file", program, saved, "ctrl+l")
        self.wait_until_seen(recorder, recorder_letter("A", (88, 12)), e2e.is_green, program)
        self.x.screenshot().save_png(os.path.join(self.root, "recorder-loaded.png"))
        with open(os.path.join(voice, "A.wav"), "rb") as loaded:
            self.assertEqual(loaded.read(), recorded)
        mark = audio.wait_quiet()
        self.click(recorder, RECORDER_HEAR)
        self.assertEqual(audio.next_sound(mark), "own")
        # Without the dialog: the file dragged from a file manager and dropped onto the window.
        self.click(recorder, RECORDER_USE_PROGRAMS_VOICE)
        self.wait_until_seen(recorder, recorder_letter("A", (88, 12)), e2e.is_blue, program)
        self.assertTrue(self.drop_file(recorder, middle((16, 36, 608, 240)), saved))
        self.wait_until_seen(recorder, recorder_letter("A", (88, 12)), e2e.is_green, program)

        # The microphone is unplugged in the middle of a take (the server ends its stream): the
        # take ends, Record shows again, and the next Record opens the microphone again. Clicks
        # on the same button come apart by more than a double-click's time, as a person's do.
        def record_button():
            time.sleep(0.6)
            self.click(recorder, RECORDER_BUTTON)

        record_button()  # Record
        self.wait_until_seen(recorder, RECORDER_STOP_BODY, e2e.is_grey, program)
        unplugged = time.monotonic()
        server.unplug_microphone()
        self.wait_until_seen(recorder, RECORDER_STOP_BODY, e2e.is_red, program)
        self.assertLess(time.monotonic() - unplugged, 5, "the take should end at once, not at 10 s")
        self.x.screenshot().save_png(os.path.join(self.root, "unplugged.png"))
        eventually(lambda: (server.recording_clients() == [], server.recording_clients()), 10,
                   "the recorder to let the lost microphone go")
        record_button()  # Record
        eventually(lambda: (len(server.recording_clients()) == 1, server.recording_clients()), 10,
                   "the recorder to open the microphone again")
        self.wait_until_seen(recorder, RECORDER_STOP_BODY, e2e.is_grey, program)
        record_button()  # Stop: nothing was said
        self.wait_until_seen(recorder, RECORDER_STOP_BODY, e2e.is_red, program)
        program.check_running()
        program.stop()
        self.assertEqual(program.proc.returncode, 0, program.stderr())

        # Letter Recognition: A in the recorded voice, every other letter in the program's.
        mark = audio.position()
        program, audio = self.start_on(server)
        menu = self.x.wait_window("Wordmeadow", program=program)
        self.assertEqual(audio.next_sound(mark), "Welcome")
        audio.wait_quiet()
        rec, heard = self.open_activity(program, audio, menu, LETTERS + ["own"])
        order = [heard]
        while heard != "own":
            mark = audio.wait_quiet()
            self.click(rec, tile(heard))
            heard = audio.next_sound(mark, min_frames=2)  # a loaded machine may break it up
            order.append(heard)
        self.assertTrue(set(order[:-1]) <= set(LETTERS) - {"A"}, order)
        # Its tile is A's, and the next letter is in the program's voice again.
        mark = audio.wait_quiet()
        self.click(rec, tile("A"))
        self.assertIn(audio.next_sound(mark, min_frames=2), set(LETTERS) - {"A"} - set(order))


class SoundServerTest(SoundServerCase):

    def test_pulseaudio_lets_go_when_idle_and_outlives_a_server_restart_and_hangs(self):
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

        # The server hangs while the device is open, and another takes its place: the idle
        # device's closing hangs on the old one and is given up on, and the next sound is heard.
        mark = audio.wait_quiet()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), heard)
        audio.wait_quiet()
        server.hang()
        time.sleep(5 + 0.5 + 1)  # the idle spell, the wait for the closing, and a margin
        server.replace()
        mark = audio.position()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), heard)
        program.check_running()

        # The server hangs in the middle of a sound, and another takes its place. The device
        # takes nothing more: the sound asked for first waits behind the stuck ones, and the
        # next, a second later, finds the device stuck and opens another, on the new server.
        mark = audio.wait_quiet()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), heard)
        server.hang()
        server.replace()
        self.click(rec, PLAY_AGAIN)
        time.sleep(1.5)
        mark = audio.position()
        self.click(rec, PLAY_AGAIN)
        self.assertEqual(audio.next_sound(mark), heard)

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

    def test_a_letter_recorded_by_clicks_is_what_letter_recognition_says(self):
        self.record_a_letter_by_clicks_then_hear_it_in_letter_recognition()

    def test_running_out_of_memory_with_the_server_hung_ends_the_program_at_once(self):
        # The welcome's device is still open when the server hangs; then the machine has no
        # memory left for the next window's pictures and first question. The program says why
        # and ends without waiting for the server, which would keep it for ever. Every block of
        # 4 KiB or more is mapped on its own, so that memory the heap freed earlier cannot
        # serve the pictures and the failure does not depend on the heap's history.
        server, program, audio, menu = self.start_and_hear_the_welcome(
            "pulseaudio", {"GLIBC_TUNABLES": "glibc.malloc.mmap_threshold=4096"})
        server.hang()
        with open(f"/proc/{program.proc.pid}/status") as f:
            size = next(int(line.split()[1]) * 1024 for line in f if line.startswith("VmSize:"))
        resource.prlimit(program.proc.pid, resource.RLIMIT_AS, (size, size))
        self.click(menu, middle(MENU_BUTTONS["Letter Recognition"]))
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


class ScaledRecorderTest(SoundServerCase):
    """A desktop at 200 %, on a screen with room for the recorder at twice its size."""

    dpi = 192
    screen = (1600, 1000)

    def test_a_letter_recorded_by_clicks_at_twice_the_size(self):
        self.record_a_letter_by_clicks_then_hear_it_in_letter_recognition()


if __name__ == "__main__":
    e2e.run_tests(TOOLS, PACKAGES)

