#!/usr/bin/env python3
"""A loopback peer answers the logger's first request with 20 MB of hexadecimal text and reports how
much the logger's resident memory grew. Usage: scripts/flood-rss.py [BUILD_DIR]"""
import os, shutil, socket, subprocess, sys, tempfile, time
build = sys.argv[1] if len(sys.argv) > 1 else "build"
srv = socket.socket(); srv.bind(("127.0.0.1", 0)); srv.listen(1)
port = srv.getsockname()[1]
res = os.path.join(tempfile.mkdtemp(), "Results"); os.makedirs(res)
open(os.path.join(res, "ACIP.txt"), "wb").write(b"127.0.0.1\r\n")
p = subprocess.Popen([f"{build}/src/ui/dc-load-logger", "--results-dir", res, "--port", str(port), "--connect-after", "0"],
                     env=dict(os.environ, QT_QPA_PLATFORM="offscreen"), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
rss = lambda: int([l for l in open(f"/proc/{p.pid}/status") if l.startswith("VmRSS")][0].split()[1])
c, _ = srv.accept(); c.recv(16)
time.sleep(1.5); before = rss()
c.sendall(b"0123456789ABCDEF" * (20 * 65536))  # 20 MB
time.sleep(4); after = rss()
c.sendall(b"01010100019000640001000A00FA0019"); time.sleep(2)
lines = sum(1 for _ in open(os.path.join(res, "DC_Result_2.txt"), "rb")) if os.path.exists(os.path.join(res, "DC_Result_2.txt")) else 0
p.kill()
p.wait()
shutil.rmtree(os.path.dirname(res))
print(f"RSS before {before} kB, after 20 MB flood {after} kB (+{(after-before)/1024:.1f} MB); result lines {lines}")
