#!/usr/bin/env python3
"""The remote page as users meet it: the real program on scandeck-sim behind a
pseudo-terminal, Debian's Chromium headless driven over the DevTools protocol, and
hostile clients on raw sockets. Arguments: scandeck, scandeck-sim, scandeck-demo-seed
and a folder for the screenshot. SCANDECK_REMOTE_FIGURES=SECONDS measures instead the
status-to-browser latency over that long and the CPU share with 10 clients."""
import base64, ctypes, http.client, http.server, json, os, re, shutil, socket, statistics, subprocess
import sys, tempfile, threading, time, urllib.request
import websocket

scandeck, sim_tool, seed_tool, out_dir = (os.path.abspath(a) for a in sys.argv[1:5])
FIGURES = float(os.environ.get("SCANDECK_REMOTE_FIGURES", "0"))
work = tempfile.mkdtemp(prefix="scandeck-remote-")
procs = []


def fail(message):
    print("FAIL:", message)
    for name in sorted(os.listdir(work)):
        log = os.path.join(work, name, "stderr")
        if os.path.exists(log):
            print("---", log)
            print(open(log, errors="replace").read()[-2000:])
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)
    print("ok:", message, flush=True)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(predicate, seconds, step=0.05):
    end = time.time() + seconds
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def password_hash(password):
    sodium = ctypes.CDLL("libsodium.so.23")
    sodium.sodium_init()
    out = ctypes.create_string_buffer(128)
    data = password.encode()
    if sodium.crypto_pwhash_str(out, data, ctypes.c_ulonglong(len(data)), ctypes.c_ulonglong(2),
                                ctypes.c_size_t(64 << 20)) != 0:
        fail("libsodium could not hash the test password")
    return out.value.decode()


class Program:
    """scandeck-sim on a pseudo-terminal (each line it prints stamped as it comes) and
    the program in a folder of its own with remote.ini."""

    def __init__(self, name, remote_lines, activity=240, seed=3):
        self.folder = os.path.join(work, name)
        os.makedirs(self.folder)
        subprocess.run([seed_tool, self.folder], stdout=subprocess.DEVNULL, check=True)
        with open(os.path.join(self.folder, "scandeck.ini"), "w") as f:
            f.write("[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n")
        self.port = free_port()
        with open(os.path.join(self.folder, "remote.ini"), "w") as f:
            f.write("\n".join(["web=1", "web_port=%d" % self.port] + remote_lines) + "\n")
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
        self.lines = []
        self.sim = subprocess.Popen(["stdbuf", "-oL", sim_tool, "--folder", self.folder, "--seed", str(seed),
                                     "--activity", str(activity), "--squelch-on", "-v"],
                                    stdout=subprocess.PIPE, text=True, errors="replace", env=env)
        procs.append(self.sim)
        threading.Thread(target=self._read, daemon=True).start()
        if not wait_until(lambda: os.path.exists(os.path.join(self.folder, "com1")), 10):
            fail("scandeck-sim made no com1")
        # In a sanitizer build freed memory is held back for a while; a small hold
        # keeps the resident size a measure of what the program keeps.
        app_env = dict(env, QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS=env["ASAN_OPTIONS"] + ":quarantine_size_mb=4")
        self.app = subprocess.Popen([scandeck], cwd=self.folder, env=app_env,
                                    stdout=open(os.path.join(self.folder, "stdout"), "w"),
                                    stderr=open(os.path.join(self.folder, "stderr"), "w"))
        procs.append(self.app)
        if not wait_until(lambda: self._answers(), 30, 0.2):
            fail(name + ": the page is not served on port %d" % self.port)

    def _read(self):
        for line in self.sim.stdout:
            self.lines.append((time.time(), line.rstrip("\n")))

    def _answers(self):
        try:
            return request(self.port, "GET", "/")[0] == 200
        except OSError:
            return False

    def sent(self, command):
        return sum(1 for _, line in list(self.lines) if line == "> " + command)

    def commands_between(self, start, end):
        return sum(1 for t, line in list(self.lines) if start <= t < end and line.startswith("> "))

    def rss_kb(self):
        for line in open("/proc/%d/status" % self.app.pid):
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
        return 0

    def cpu_seconds(self):
        fields = open("/proc/%d/stat" % self.app.pid).read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def origin(self):
        return "http://127.0.0.1:%d" % self.port


def request(port, method, path, headers=None, body=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=15)
    all_headers = {"Host": "127.0.0.1:%d" % port}
    all_headers.update(headers or {})
    connection.request(method, path, body=body, headers=all_headers)
    reply = connection.getresponse()
    data = reply.read()
    connection.close()
    return reply.status, dict(reply.getheaders()), data


class Browser:
    def __init__(self):
        self.port = free_port()
        profile = os.path.join(work, "chromium")
        self.proc = subprocess.Popen(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                      "--remote-debugging-port=%d" % self.port, "--user-data-dir=" + profile,
                                      "about:blank"], stdout=subprocess.DEVNULL,
                                     stderr=open(os.path.join(work, "chromium.log"), "w"))
        procs.append(self.proc)
        page = wait_until(self._page, 30, 0.2)
        if not page:
            print("SKIP: chromium did not open its DevTools port")
            sys.exit(77)
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30, suppress_origin=True)
        self.next_id = 0

    def _page(self):
        try:
            pages = json.load(urllib.request.urlopen("http://127.0.0.1:%d/json/list" % self.port, timeout=2))
        except OSError:
            return None
        return next((p for p in pages if p.get("type") == "page"), None)

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.ws.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    fail("%s: %s" % (method, message["error"]))
                return message.get("result", {})

    def eval(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True, awaitPromise=True)
        return result.get("result", {}).get("value")

    def open(self, url):
        self.call("Page.enable")
        self.call("Page.navigate", url=url)
        wait_until(lambda: self.eval("document.readyState") == "complete", 15)

    def click(self, selector_js):
        box = self.eval("(() => { const r = (%s).getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })()"
                        % selector_js)
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left", clickCount=1)


def key_button(name):
    return "[...document.querySelectorAll('button')].find(b => b.textContent === '%s')" % name


def frequency_changes(browser):
    return browser.eval("window.__seen || []")


def latencies(program, seen):
    """For each frequency the page showed: from the first of the scanner's replies
    that have carried it since (as the simulator printed them) to the page showing it."""
    replies = [(t, m.group(1)) for t, line in list(program.lines)
               for m in [re.match(r"^< .*\bF(\d{8})\b", line)] if m]
    out = []
    for shown_ms, text in seen:
        shown = shown_ms / 1000.0
        wanted = text.replace(".", "").strip().zfill(8)
        before = [r for r in replies if r[0] <= shown]
        i = len(before) - 1
        while i >= 0 and before[i][1] != wanted:  # while scanning it may have moved on
            i -= 1
        if i < 0:
            continue
        while i > 0 and before[i - 1][1] == wanted:
            i -= 1
        out.append((shown - before[i][0]) * 1000)
    return out


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def ws_client(program, headers=None):
    return websocket.create_connection("ws://127.0.0.1:%d/api/events" % program.port, timeout=10,
                                       origin=program.origin(), header=headers or [])


WATCH = """
window.__seen = [];
new MutationObserver(() => {
  const text = document.getElementById('frequency').textContent;
  if (!__seen.length || __seen[__seen.length - 1][1] !== text) __seen.push([Date.now(), text]);
})
  .observe(document.getElementById('frequency'), {childList: true, characterData: true, subtree: true});
true"""


def main():
    if FIGURES:
        # A scanner of its own, busy enough that its frequency moves often.
        figures(Program("figures", [], activity=240, seed=3), Browser())
        return
    # --- the program on 127.0.0.1 without a password, keys allowed (the defaults)
    a = Program("open", [], activity=240)
    browser = Browser()
    browser.call("Emulation.setDeviceMetricsOverride", width=360, height=740, deviceScaleFactor=1, mobile=True)
    browser.open("http://127.0.0.1:%d/" % a.port)
    check(wait_until(lambda: browser.eval("document.getElementById('link').textContent") == "Connected", 10),
          "the page connects its WebSocket")
    check(wait_until(lambda: browser.eval("document.getElementById('frequency').textContent") not in ("-", ""), 10),
          "the page shows the frequency")
    browser.eval(WATCH)
    wait_until(lambda: len(frequency_changes(browser)) >= 12, 30, 0.5)
    sample = latencies(a, frequency_changes(browser))
    check(len(sample) >= 3, "frequency changes seen by the page and the line (%d)" % len(sample))
    check(statistics.median(sample) <= 500, "the page shows a frequency change within 500 ms (median %.0f ms, max %.0f ms)"
          % (statistics.median(sample), max(sample)))

    width = browser.eval("[document.documentElement.scrollWidth, window.innerWidth]")
    check(width[0] <= width[1], "no horizontal scroll at 360 x 740 (%d <= %d)" % tuple(width))
    shot = browser.call("Page.captureScreenshot", format="png")
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "remote-360x740.png"), "wb") as f:
        f.write(base64.b64decode(shot["data"]))
    check(browser.eval("!!document.querySelector('main') && !!document.querySelector('[aria-live]') && "
                       "document.querySelectorAll('button').length >= 27"),
          "landmarks, a live region and the keys as buttons")

    before = a.sent("KEY00")
    check(wait_until(lambda: browser.eval("!!%s && !%s.disabled" % (key_button("SCAN"), key_button("SCAN"))), 10),
          "SCAN is a button that may be pressed")
    browser.click(key_button("SCAN"))
    check(wait_until(lambda: a.sent("KEY00") > before, 5), "pressing SCAN on the page sends KEY00 on the line")
    status, _, _ = request(a.port, "POST", "/api/keys/PM001", {"Origin": a.origin()})
    check(status == 404, "a name that is no key is 404 (%d)" % status)

    # --- hostile clients
    for host in ("evil.example:%d" % a.port, "evil.example", "127.0.0.1:1"):
        status, _, _ = request(a.port, "GET", "/api/status", {"Host": host})
        check(status == 421, "Host %s is refused (%d)" % (host, status))
    before = a.sent("KEY00")
    status, _, _ = request(a.port, "POST", "/api/keys/SCAN", {"Origin": "http://evil.example"})
    check(status == 403, "a POST from another origin is refused (%d)" % status)

    evil_port = free_port()
    evil_page = ("<!doctype html><script>window.__evil = {messages: 0, closed: false};"
                 "fetch('http://127.0.0.1:%d/api/keys/SCAN', {method: 'POST', mode: 'no-cors'}).catch(() => 0);"
                 "const w = new WebSocket('ws://127.0.0.1:%d/api/events');"
                 "w.onmessage = () => __evil.messages++; w.onclose = () => __evil.closed = true;</script>"
                 % (a.port, a.port)).encode()

    class Evil(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            self.wfile.write(evil_page)

        def log_message(self, *args):
            pass

    evil = http.server.HTTPServer(("127.0.0.1", evil_port), Evil)
    threading.Thread(target=evil.serve_forever, daemon=True).start()
    browser.open("http://localhost:%d/" % evil_port)
    closed = wait_until(lambda: browser.eval("window.__evil && window.__evil.closed"), 10)
    time.sleep(1)
    check(closed and browser.eval("window.__evil.messages") == 0,
          "another origin's WebSocket is closed with nothing sent")
    check(a.sent("KEY00") == before, "another origin's page pressed no key")
    evil.shutdown()

    rss_before = a.rss_kb()
    big = socket.create_connection(("127.0.0.1", a.port))
    big.sendall(("POST /api/keys/SCAN HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nContent-Length: %d\r\n\r\n"
                 % (a.port, 10 << 20)).encode())
    sent = 0
    try:
        chunk = b"x" * 65536
        while sent < (10 << 20):
            big.sendall(chunk)
            sent += len(chunk)
    except OSError:
        pass
    big.close()
    check(sent < (10 << 20), "a 10 MB request is cut off (after %d KB)" % (sent // 1024))
    check(a.rss_kb() - rss_before < 8 * 1024 and a.sent("KEY00") == before, "and neither held nor pressed")

    # 50 clients follow the status while the poll keeps its pace.
    start = time.time()
    time.sleep(5)
    alone = a.commands_between(start, time.time()) / (time.time() - start)
    clients = [ws_client(a) for _ in range(50)]
    counts = [0] * 50

    def follow(i):
        end = time.time() + 8
        while time.time() < end:
            try:
                if json.loads(clients[i].recv()).get("type") == "status":
                    counts[i] += 1
            except Exception:
                return

    start = time.time()
    threads = [threading.Thread(target=follow, args=(i,)) for i in range(50)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    crowded = a.commands_between(start, time.time()) / (time.time() - start)
    check(min(counts) >= 3, "50 WebSocket clients follow the status (fewest %d, most %d messages)" % (min(counts), max(counts)))
    check(crowded >= 0.8 * alone, "the poll keeps its pace with 50 clients (%.1f commands/s, %.1f alone)" % (crowded, alone))
    for c in clients:
        c.close()

    # A client that never reads is dropped, and what it would hold stays bounded.
    rss_before = a.rss_kb()
    stalled = socket.socket()
    stalled.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    stalled.connect(("127.0.0.1", a.port))
    stalled.sendall(("GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                     "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\nOrigin: %s\r\n\r\n"
                     % (a.port, a.origin())).encode())
    check(b" 101" in stalled.recv(64), "the stalled client's WebSocket is open")

    # Dropped: the program no longer holds its end (the kernel may still hold what
    # it had sent, unread, as an orphan).
    mine = "127.0.0.1:%d" % stalled.getsockname()[1]

    def dropped():
        listing = subprocess.run(["ss", "-tnpH"], capture_output=True, text=True).stdout
        return not any(mine in line.split()[4:5] and "scandeck" in line for line in listing.splitlines())

    check(wait_until(lambda: not dropped(), 3), "the program holds the stalled client's connection")
    # The status changes quickly while MANUAL and SCAN are pressed in turn.
    pressing = []

    def press_banks():
        while not pressing:
            for name in ("MANUAL", "SCAN"):
                request(a.port, "POST", "/api/keys/" + name, {"Origin": a.origin()})
                time.sleep(0.1)

    presser = threading.Thread(target=press_banks)
    presser.start()
    gone = False
    for _ in range(120):
        time.sleep(1)
        if dropped():
            gone = True
            break
    pressing.append(1)
    presser.join()
    check(gone, "a client that never reads is dropped")
    check(a.rss_kb() - rss_before < 16 * 1024, "memory stayed bounded (%+d KB)" % (a.rss_kb() - rss_before))

    # --- the network address with a password
    password = "wide awake %d" % os.getpid()
    b = Program("guarded", ["web_address=0.0.0.0", "web_password_hash=" + password_hash(password)], seed=5)
    status, _, _ = request(b.port, "GET", "/api/status")
    check(status == 401, "without logging in the status is refused (%d)" % status)
    status, _, _ = request(b.port, "POST", "/api/keys/SCAN", {"Origin": b.origin()})
    check(status == 401, "and so is a key (%d)" % status)
    browser.call("Emulation.setDeviceMetricsOverride", width=1280, height=900, deviceScaleFactor=1, mobile=False)
    browser.open("http://127.0.0.1:%d/" % b.port)
    check(wait_until(lambda: browser.eval("!document.getElementById('login').hidden"), 10), "the page asks for the password")
    browser.eval("document.getElementById('password').focus()")
    browser.call("Input.insertText", text=password)
    browser.click("document.querySelector('#login button')")
    check(wait_until(lambda: browser.eval("document.getElementById('frequency').textContent") not in ("-", ""), 15),
          "after logging in the page shows the scanner")
    cookie = browser.call("Network.getCookies", urls=[b.origin()])["cookies"]
    check(cookie and cookie[0]["httpOnly"] and cookie[0]["sameSite"] == "Strict", "the session cookie is HttpOnly and SameSite=Strict")
    token = "scandeck_session=" + cookie[0]["value"]
    status, _, _ = request(b.port, "GET", "/api/heard", {"Cookie": token})
    check(status == 200, "the cookie opens the API")

    waits = []
    for attempt in range(4):
        status, _, _ = request(b.port, "POST", "/login", {"Origin": b.origin(),
                               "Content-Type": "application/x-www-form-urlencoded"}, "password=guess%d" % attempt)
        check(status == 401, "wrong password %d is refused" % (attempt + 1))
        status, headers, _ = request(b.port, "POST", "/login", {"Origin": b.origin()}, "password=" + password)
        check(status == 429, "the next try at once must wait (%d)" % status)
        waits.append(int(headers.get("Retry-After", "0")))
        time.sleep(waits[-1] + 0.2)
    check(waits == [1, 2, 4, 8], "the wait doubles with each wrong password %s: ten take %d s" % (waits, sum(2 ** i for i in range(10))))
    browser.ws.close()
    print("all remote checks passed; screenshot in", os.path.join(out_dir, "remote-360x740.png"))


def figures(a, browser):
    browser.open("http://127.0.0.1:%d/" % a.port)
    wait_until(lambda: browser.eval("document.getElementById('link').textContent") == "Connected", 10)
    browser.eval(WATCH)
    time.sleep(FIGURES)
    sample = latencies(a, frequency_changes(browser)) or [float("nan")]
    print("figure: status-to-browser latency over %.0f s: %d changes, p50 %.0f ms, p99 %.0f ms"
          % (FIGURES, len(sample), percentile(sample, 50), percentile(sample, 99)))

    def share(seconds):
        c0, t0 = a.cpu_seconds(), time.time()
        time.sleep(seconds)
        return 100.0 * (a.cpu_seconds() - c0) / (time.time() - t0)

    browser.open("about:blank")
    idle = share(20)
    clients = [ws_client(a) for _ in range(10)]
    stop = []

    def drain(c):
        while not stop:
            try:
                c.recv()
            except Exception:
                return

    for c in clients:
        threading.Thread(target=drain, args=(c,), daemon=True).start()
    busy = share(20)
    stop.append(1)
    for c in clients:
        c.close()
    print("figure: CPU of the program: %.1f %% with no client, %.1f %% with 10 WebSocket clients" % (idle, busy))


try:
    main()
finally:
    for p in procs:
        p.terminate()
    for p in procs:
        try:
            p.wait(5)
        except subprocess.TimeoutExpired:
            p.kill()
    shutil.rmtree(work, ignore_errors=True)
