#!/usr/bin/python3
"""The real-file suite. PE files that other toolchains made (taken from Debian packages, listed in
deps/apt/realfiles.txt) and self-extracting installers built here (makensis, zip -A on a MinGW
stub) are each given an installer's resources and then put through player generation by the
program's own code (realfile_driver). pefile judges every rewrite; the Windows loader under
wine64 maps each result and finds the new resources; the installers must still extract their
payload byte for byte.

Prints the placements taken and the damaged files; exits 1 when any file was damaged, 77 (skip)
when none of the inputs is there.
"""
import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
try:
    from judge_realfile import judge, nsis_crc_holds  # noqa: E402
except ImportError as missing:
    print("skipped: the judge needs pefile (package python3-pefile): %s" % missing)
    sys.exit(77)

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
LANGUAGE = 1033

# (file, package, what made it). Files of one package are skipped together when it is missing.
PACKAGED = [
    ("/usr/lib/systemd/boot/efi/systemd-bootx64.efi", "systemd-boot-efi", "systemd's EFI build, PE32+"),
    ("/usr/lib/shim/fbx64.efi", "shim-unsigned", "gnu-efi and objcopy, PE32+, relocations"),
    ("/usr/libexec/fwupd/efi/fwupdx64.efi.signed", "fwupd-amd64-signed", "signed EFI application, PE32+"),
    ("/boot/memtest86+x64.efi", "memtest86+", "hand-written PE header, PE32+"),
    ("/boot/memtest86+ia32.efi", "memtest86+", "hand-written PE header, PE32"),
    ("/usr/lib/mono/4.5/mscorlib.dll", "libmono-corlib4.5-dll", "Mono's C# compiler, .NET PE32"),
    ("/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/notepad.exe", "wine64",
     "Wine's PE build, PE32+, exception table and resources"),
    ("/usr/share/nsis/Plugins/x86-unicode/nsDialogs.dll", "nsis", "MinGW DLL, PE32, .eh_frame"),
    ("/usr/share/nsis/Plugins/amd64-unicode/nsDialogs.dll", "nsis", "MinGW DLL, PE32+, exception table"),
]


def run(command, **options):
    return subprocess.run(command, capture_output=True, text=True, **options)


class Suite:
    def __init__(self, args):
        self.driver = args.driver
        self.tools = args.tools
        self.work = args.work
        self.placements = {}
        self.damaged = []
        self.notes = []
        self.wine = os.path.exists(WINE)
        self.wine_env = dict(os.environ, WINEPREFIX=os.path.join(self.tools, "wineprefix"), WINEDEBUG="-all",
                             WINEDLLOVERRIDES="mscoree,mshtml=")
        self.checked = 0

    def path(self, *parts):
        return os.path.join(self.work, *parts)

    def count(self, step, placement, reason):
        key = placement if placement != "refused" else "refused (%s)" % (reason or "no reason given")
        self.placements[key] = self.placements.get(key, 0) + 1
        return "%s: %s" % (step, key)

    def fail(self, name, message):
        self.damaged.append("%s: %s" % (name, message))

    def drive(self, *arguments):
        result = run([self.driver] + list(arguments))
        fields = {}
        for line in result.stdout.splitlines():
            key, _, value = line.partition(": ")
            fields[key] = value
        return result.returncode, fields

    def wine_run(self, *arguments):
        # Output goes to a file, not a pipe: wine's own services inherit it and outlive the program.
        with tempfile.TemporaryFile("w+") as output:
            result = subprocess.run([WINE] + list(arguments), env=self.wine_env, stdout=output,
                                    stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=120)
            output.seek(0)
            result.stdout, result.stderr = output.read(), ""
        return result

    # Gives the file an installer's resources, then generates from it; judges both rewrites.
    def put_through(self, name, original, payload=None, loadable=True):
        folder = self.path(name)
        os.makedirs(folder)
        config = self.path(name, "maker.ini")
        qtpref = self.path(name, "maker_qtpref.bin")
        with open(config, "w") as out:
            out.write("[setup]\ninstallmode=2\n[kx_preferences]\n" + "".join("pref%d=%d\n" % (i, i) for i in range(60)))
        with open(qtpref, "wb") as out:
            out.write(bytes(range(256)) * 4)
        seeded = self.path(name, "seeded.exe")
        shutil.copyfile(original, seeded)
        status, fields = self.drive("seed", seeded, config, qtpref, str(LANGUAGE))
        steps = [self.count("seed", fields.get("placement", "refused"), fields.get("reason"))]
        block = string_block({0: "Kestrix", 12: " /s"})
        expected = {("BINARY", "KXECONFIG", LANGUAGE): open(config, "rb").read(),
                    ("BINARY", "QTPREF", LANGUAGE): open(qtpref, "rb").read(), (6, 19, LANGUAGE): block}
        if status != 0:
            if open(seeded, "rb").read() != open(original, "rb").read():
                self.fail(name, "a refused rewrite changed the file")
            print("  %-28s %s" % (name, "; ".join(steps)))
            return None
        if not self.judged(name, "seed", original, seeded, expected, payload):
            return None

        # Generation, as the workflow runs it on a Workspace, twice in a row as an administrator may:
        # first a larger configuration, new QuickTime preferences and the other installation mode,
        # then a smaller configuration again.
        workspace = self.path(name, "workspace")
        os.makedirs(os.path.join(workspace, "cfadmin"))
        shutil.copyfile(seeded, os.path.join(workspace, "playinst.exe"))
        new_qtpref = self.path(name, "qtpref.bin")
        with open(new_qtpref, "wb") as out:
            out.write(b"QT" * 3000)
        edited = os.path.join(workspace, "cfadmin", "kxenterprise.ini")
        before = seeded
        for round, (mode, prefs) in enumerate(((1, 400), (2, 300))):
            with open(edited, "w") as out:
                out.write("[setup]\nInstallMode=%d\n[qt_preferences]\nApplyQTPrefs=1\nQuickTimeLocation=%s\n"
                          "[kx_preferences]\n%s" % (mode, new_qtpref,
                                                     "".join("pref%d=%d\n" % (i, i * 7) for i in range(prefs))))
            # Generation applies the page's edits to the installer's own configuration; with that
            # configuration equal to the page's file, the new KXECONFIG is exactly this file.
            shutil.copyfile(edited, os.path.join(workspace, "kxenterprise.ini"))
            generated = self.path(name, "generated%d.exe" % round)
            status, fields = self.drive("generate", workspace, generated)
            steps.append(self.count("generate", fields.get("placement", "refused"), fields.get("reason")))
            if status != 0:
                # A refused generation must say so and leave the working copy as it was.
                if open(os.path.join(workspace, "playinst.exe"), "rb").read() != open(before, "rb").read():
                    self.fail(name, "a refused generation changed the working copy")
                if fields.get("message") != "error 12":
                    self.fail(name, "a refused generation reported %s" % fields.get("message"))
                print("  %-28s %s" % (name, "; ".join(steps)))
                return None
            expected = {("BINARY", "KXECONFIG", LANGUAGE): open(edited, "rb").read(),
                        ("BINARY", "QTPREF", LANGUAGE): open(new_qtpref, "rb").read(),
                        (6, 19, LANGUAGE): string_block({0: "Kestrix", 12: " /p" if mode == 1 else " /s"})}
            if not self.judged(name, "generate", before, generated, expected, payload):
                return None
            before = generated
        if loadable:
            steps.append(self.loader(name, original, generated, expected))
        print("  %-28s %s" % (name, "; ".join(steps)))
        return generated

    def judged(self, name, step, before, after, expected, payload):
        self.checked += 1
        seen, failures = judge(before, after, expected, payload)
        for failure in failures:
            self.fail(name, "%s: %s" % (step, failure))
        return not failures

    def loader(self, name, original, path, expected):
        if not self.wine:
            return "loader skipped (no wine64)"
        probe = os.path.join(self.tools, "load_probe.exe")
        if self.wine_run(probe, original).returncode != 0:
            return "loader not asked (it refuses the original too)"
        data = []
        for (type_, name_, language), content in sorted(expected.items(), key=str):
            data_file = self.path(name, "expect_%s_%s.bin" % (type_, name_))
            with open(data_file, "wb") as out:
                out.write(content)
            data += [type_ if isinstance(type_, str) else "#%d" % type_,
                     name_ if isinstance(name_, str) else "#%d" % name_, str(language), data_file]
        result = self.wine_run(probe, path, *data)
        if result.returncode != 0:
            self.fail(name, "Windows loader: " + (result.stdout + result.stderr).strip()[-300:])
            return "loader FAILED"
        return "loader maps it and finds the resources"

    def packaged(self):
        missing = set()
        for path, package, made_by in PACKAGED:
            if not os.path.exists(path):
                if package not in missing:
                    self.notes.append("skipped files of %s: package not installed (see deps/apt/realfiles.txt)" % package)
                missing.add(package)
                continue
            name = os.path.basename(path) + ("-x86" if "x86-unicode" in path else "")
            print("%s (%s)" % (name, made_by))
            self.put_through(name, path)

    def nsis(self):
        makensis = shutil.which("makensis")
        if not makensis:
            self.notes.append("skipped NSIS installers: makensis not installed (package nsis)")
            return
        source = self.path("nsis-src")
        os.makedirs(source)
        payload = os.urandom(150000) + b"kestrix payload" * 2000
        with open(os.path.join(source, "payload.bin"), "wb") as out:
            out.write(payload)
        for target, crc in (("amd64-unicode", "on"), ("amd64-unicode", "off"), ("x86-unicode", "on")):
            name = "nsis-%s-crc-%s" % (target.split("-")[0], crc)
            script = os.path.join(source, name + ".nsi")
            with open(script, "w") as out:
                out.write('Unicode true\nTarget %s\nCRCCheck %s\nSetCompressor /SOLID lzma\nName "Kestrix"\n'
                          'OutFile "%s.exe"\nRequestExecutionLevel user\nSilentInstall silent\n'
                          'InstallDir "$TEMP\\kx"\nSection\nSetOutPath "$INSTDIR"\nFile "payload.bin"\nSectionEnd\n'
                          % (target, crc, name))
            built = run([makensis, "-V1", script], cwd=source)
            if built.returncode != 0:
                self.fail(name, "makensis failed: " + built.stdout[-300:])
                continue
            print("%s (makensis %s, integrity check %s)" % (name, target, crc))
            original = os.path.join(source, name + ".exe")
            generated = self.put_through(name, original, payload="nsis", loadable=target.startswith("amd64"))
            if generated is None:
                continue
            if not target.startswith("amd64"):
                holds, what = nsis_crc_holds(open(generated, "rb").read())
                print("    32-bit installer: wine64 cannot run it; its %s checked here: %s" % (what, "holds" if holds else "FAILS"))
                if not holds:
                    self.fail(name, "NSIS integrity check fails")
                continue
            self.extracts(name, [generated, "/S", "/D=" + winpath(self.path(name, "installed"))],
                          {"payload.bin": payload}, self.path(name, "installed"))

    def zip_sfx(self):
        stub = os.path.join(self.tools, "zip_stub.exe")
        zip_tool = shutil.which("zip")
        if not os.path.exists(stub) or not zip_tool:
            self.notes.append("skipped the ZIP self-extractor: no MinGW stub or no zip")
            return
        name = "zip-sfx"
        source = self.path("zip-src")
        os.makedirs(os.path.join(source, "files"))
        contents = {"readme.txt": b"Kestrix setup\r\n" * 50, "setup.bin": os.urandom(120000)}
        for file_name, data in contents.items():
            with open(os.path.join(source, "files", file_name), "wb") as out:
                out.write(data)
        archive = os.path.join(source, "payload.zip")
        run([zip_tool, "-q", "-0", "-j", archive] + [os.path.join(source, "files", n) for n in contents])
        sfx = os.path.join(source, "sfx.exe")
        with open(sfx, "wb") as out:
            out.write(open(stub, "rb").read() + open(archive, "rb").read())
        adjusted = run([zip_tool, "-A", sfx])
        if adjusted.returncode != 0:
            self.fail(name, "zip -A failed: " + adjusted.stderr)
            return
        print("%s (MinGW stub + zip + zip -A)" % name)
        generated = self.put_through(name, sfx, payload="zip")
        if generated is not None:
            target = self.path(name, "extracted")
            os.makedirs(target)
            self.extracts(name, [generated, winpath(target)], contents, target)

    def extracts(self, name, command, contents, folder):
        if not self.wine:
            self.notes.append("%s: not run (no wine64)" % name)
            return
        result = self.wine_run(*command)
        found = all(os.path.exists(os.path.join(folder, n)) and open(os.path.join(folder, n), "rb").read() == data
                    for n, data in contents.items())
        if result.returncode != 0 or not found:
            self.fail(name, "does not extract its payload (exit %d) %s" % (result.returncode, result.stdout.strip()[-200:]))
        else:
            print("    runs under wine64 and extracts its payload byte for byte")


def winpath(path):
    return "Z:" + path.replace("/", "\\")


def string_block(entries):
    out = b""
    for index in range(16):
        text = entries.get(index, "").encode("utf-16-le")
        out += struct.pack("<H", len(text) // 2) + text
    return out


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", required=True)
    parser.add_argument("--tools", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)
    args.tools = os.path.abspath(args.tools)
    args.driver = os.path.abspath(args.driver)
    shutil.rmtree(args.work, ignore_errors=True)
    os.makedirs(args.work)
    suite = Suite(args)
    # One wine server for the whole run: starting one for every program costs seconds each.
    server = None
    if suite.wine and os.path.exists(WINESERVER):
        server = subprocess.Popen([WINESERVER, "-f", "-p"], env=suite.wine_env,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        suite.packaged()
        suite.nsis()
        suite.zip_sfx()
    finally:
        if server is not None:
            subprocess.run([WINESERVER, "-k"], env=suite.wine_env, capture_output=True)
            server.wait()

    for note in suite.notes:
        print("note:", note)
    print("placements: " + ", ".join("%s %d" % item for item in sorted(suite.placements.items())))
    for damage in suite.damaged:
        print("DAMAGED", damage)
    print("%d rewrites judged, %d damaged files" % (suite.checked, len({d.split(":")[0] for d in suite.damaged})))
    if suite.checked == 0:
        return 77
    return 1 if suite.damaged else 0


if __name__ == "__main__":
    sys.exit(main())
