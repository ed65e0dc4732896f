#!/usr/bin/env python3
"""The remote page as users meet it: the real program on scandeck-sim behind a
pseudo-terminal, Debian's Chromium headless over DevTools, and hostile clients on raw
sockets. Arguments: scandeck, scandeck-sim, scandeck-demo-seed."""
import ctypes, functools, http.client, http.server, json, os, re, shutil, socket, subprocess, sys, tempfile, threading, time
import urllib.request, websocket
from concurrent.futures import ThreadPoolExecutor

scandeck, sim_tool, seed_tool = (os.path.abspath(a) for a in sys.argv[1:4])
work = tempfile.mkdtemp(prefix="scandeck-remote-")
procs = []


def check(condition, message):
    if condition:
        return print("ok:", message, flush=True)
    print("FAIL:", message)
    for name in os.listdir(work):
        if os.path.exists(os.path.join(work, name, "stderr")):
            print("---", name, open(os.path.join(work, name, "stderr"), errors="replace").read()[-2000:])
    sys.exit(1)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_until(predicate, seconds, step=0.05):
    end = time.time() + seconds
    while time.time() < end and not predicate():
        time.sleep(step)
    return predicate()


def request(port, method, path, headers=None, body=None):
    """(status, headers), or (None, {}) when the server is not there."""
    try:
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=15)
        connection.request(method, path, body, {"Host": "127.0.0.1:%d" % port, **(headers or {})})
        reply = connection.getresponse()
        reply.read()
        return reply.status, dict(reply.getheaders())
    except OSError:
        return None, {}


def expect_statuses(port, rows):
    for method, path, headers, want in rows:
        check(request(port, method, path, headers)[0] == want, "%s %s %s is %d" % (method, path, headers, want))


class Program:
    """scandeck-sim on a pseudo-terminal, its lines stamped, and the program beside it."""

    def __init__(self, name, remote_lines, seed=3):
        self.folder, self.port, self.lines = os.path.join(work, name), free_port(), []
        self.origin = "http://127.0.0.1:%d" % self.port
        os.makedirs(self.folder)
        subprocess.run([seed_tool, self.folder], stdout=subprocess.DEVNULL, check=True)
        open(self.folder + "/scandeck.ini", "w").write("[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n")
        open(self.folder + "/remote.ini", "w").write("\n".join(["web=1", "web_port=%d" % self.port] + remote_lines) + "\n")
        env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0")
        procs.append(sim := subprocess.Popen(["stdbuf", "-oL", sim_tool, "--folder", self.folder, "--seed", str(seed),
                                              "--activity", "240", "--squelch-on", "-v"],
                                             stdout=subprocess.PIPE, text=True, errors="replace", env=env))
        threading.Thread(target=lambda: [self.lines.append((time.time(), l.rstrip("\n"))) for l in sim.stdout],
                         daemon=True).start()
        check(wait_until(lambda: os.path.exists(os.path.join(self.folder, "com1")), 10), "scandeck-sim made com1")
        # A small sanitizer quarantine, so the resident size measures what the program keeps.
        env.update(QT_QPA_PLATFORM="offscreen", ASAN_OPTIONS=env["ASAN_OPTIONS"] + ":quarantine_size_mb=4")
        procs.append(app := subprocess.Popen([scandeck], cwd=self.folder, env=env, stdout=subprocess.DEVNULL,
                                             stderr=open(os.path.join(self.folder, "stderr"), "w")))
        self.pid = app.pid
        check(wait_until(lambda: request(self.port, "GET", "/")[0] == 200, 30, 0.2), name + ": the page is served")

    def sent(self, command):
        return sum(1 for _, line in list(self.lines) if line == "> " + command)

    def poll_rate(self, seconds):
        begin = time.time()
        time.sleep(seconds)
        return sum(1 for t, line in list(self.lines) if t >= begin and line.startswith("> ")) / (time.time() - begin)

    def rss_kb(self):
        return next(int(l.split()[1]) for l in open("/proc/%d/status" % self.pid) if l.startswith("VmRSS:"))

    def raw(self, head):  # a client on a socket that takes little at a time
        s = socket.socket()
        s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        s.connect(("127.0.0.1", self.port))
        s.sendall((head % {"host": "127.0.0.1:%d" % self.port, "origin": self.origin}).encode())
        return s


class Browser:
    def __init__(self):
        port, self.next_id = free_port(), 0
        procs.append(subprocess.Popen(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                       "--user-data-dir=" + work + "/chromium", "--remote-debugging-port=%d" % port, "about:blank"],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))

        def pages():
            try:
                return [p for p in json.load(urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port, timeout=2))
                        if p.get("type") == "page"]
            except OSError:
                return []

        if not (found := wait_until(pages, 30, 0.2)):
            print("SKIP: chromium did not open its DevTools port")
            sys.exit(77)
        self.ws = websocket.create_connection(found[0]["webSocketDebuggerUrl"], timeout=30, suppress_origin=True)

    def call(self, method, **params):
        self.next_id += 1
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while (message := json.loads(self.ws.recv())).get("id") != self.next_id:
            pass
        assert "error" not in message, "DevTools %s: %s" % (method, message["error"])
        return message.get("result", {})

    def eval(self, expression):
        return self.call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")

    def open(self, url, width=360, height=740):
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1,
                  mobile=width < 600)
        self.call("Page.navigate", url=url)
        wait_until(lambda: self.eval("document.readyState == 'complete' && location.href") == url, 15)

    def text(self, element_id):
        return self.eval("document.getElementById('%s').textContent" % element_id)

    def click(self, element_js):
        box = self.eval("(r => [r.x + r.width / 2, r.y + r.height / 2])((%s).getBoundingClientRect())" % element_js)
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left", clickCount=1)


def main():
    # --- on 127.0.0.1 without a password, keys allowed (the defaults), on a phone's width
    a, browser = Program("open", []), Browser()
    browser.open(a.origin + "/")
    check(wait_until(lambda: browser.text("link") == "Connected", 10), "the page connects its WebSocket")
    shown = set()

    def from_the_line():  # frequencies the page showed that the scanner's replies carried
        f = re.escape(browser.text("frequency").replace(".", "").strip().zfill(8))
        shown.update(f for _, line in list(a.lines) if re.match(r"< .*\bF%s\b" % f, line))
        return len(shown) >= 3

    check(wait_until(from_the_line, 60, 0.1), "frequency changes on the line reach the page %s" % sorted(shown))
    check(browser.eval("document.documentElement.scrollWidth <= window.innerWidth"), "no horizontal scroll at 360 px")
    check(browser.eval("!!document.querySelector('main') && !!document.querySelector('[aria-live]') && "
                       "document.querySelectorAll('button').length >= 27"), "landmarks, a live region and the keys as buttons")
    scan = "[...document.querySelectorAll('button')].find(b => b.textContent === 'SCAN')"
    check(wait_until(lambda: browser.eval("!!(%s) && !(%s).disabled" % (scan, scan)), 10), "SCAN may be pressed")
    before = a.sent("KEY00")
    browser.click(scan)
    check(wait_until(lambda: a.sent("KEY00") > before, 5), "pressing SCAN on the page sends KEY00 on the line")

    # --- hostile clients
    before = a.sent("KEY00")
    expect_statuses(a.port, [("POST", "/api/keys/PM001", {"Origin": a.origin}, 404),
                             ("GET", "/api/status", {"Host": "evil.example:%d" % a.port}, 421),
                             ("GET", "/api/status", {"Host": "evil.example"}, 421),
                             ("GET", "/api/status", {"Host": "127.0.0.1:1"}, 421),
                             ("POST", "/api/keys/SCAN", {"Origin": "http://evil.example"}, 403)])
    # Another site: any page of another origin (here a folder listing) that runs a script.
    quiet = type("Quiet", (http.server.SimpleHTTPRequestHandler,), {"log_message": lambda *args: None})
    evil = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(quiet, directory=work))
    threading.Thread(target=evil.serve_forever, daemon=True).start()
    browser.open("http://localhost:%d/" % evil.server_port)
    browser.eval("(() => { window.__evil = {messages: 0, closed: false};"
                 "fetch('%s/api/keys/SCAN', {method: 'POST', mode: 'no-cors'}).catch(() => 0);"
                 "const w = new WebSocket('ws://127.0.0.1:%d/api/events');"
                 "w.onmessage = () => __evil.messages++; w.onclose = () => __evil.closed = true; })()" % (a.origin, a.port))
    closed = wait_until(lambda: browser.eval("__evil.closed"), 10)
    time.sleep(1)
    check(closed and browser.eval("__evil.messages") == 0, "another origin's WebSocket is closed with nothing sent")
    check(a.sent("KEY00") == before, "another origin's fetch pressed no key")

    rss_before = a.rss_kb()
    big = a.raw("POST /api/keys/SCAN HTTP/1.1\r\nHost: %%(host)s\r\nContent-Length: %d\r\n\r\n" % (10 << 20))
    try:
        big.sendall(b"x" * (10 << 20))
        cut = False
    except OSError:
        cut = True
    check(cut, "a 10 MB request is cut off")
    check(a.rss_kb() - rss_before < 8 * 1024 and a.sent("KEY00") == before, "and neither held nor pressed")

    # 50 clients follow the status while the poll keeps its pace.
    alone = a.poll_rate(5)
    clients = [websocket.create_connection("ws://127.0.0.1:%d/api/events" % a.port, timeout=10, origin=a.origin)
               for _ in range(50)]

    def follow(client, end=time.time() + 9):
        statuses = 0
        while time.time() < end:
            try:
                statuses += json.loads(client.recv()).get("type") == "status"
            except Exception:
                break
        return statuses

    with ThreadPoolExecutor(50) as pool:
        counts = pool.map(follow, clients)
        crowded = a.poll_rate(8)
    counts = list(counts)
    check(min(counts) >= 3, "50 WebSocket clients follow the status (fewest %d messages)" % min(counts))
    check(crowded >= 0.8 * alone, "the poll keeps its pace with 50 clients (%.1f/s, %.1f/s alone)" % (crowded, alone))
    [c.close() for c in clients]

    # A client that never reads is dropped, and what it would hold stays bounded.
    rss_before = a.rss_kb()
    stalled = a.raw("GET /api/events HTTP/1.1\r\nHost: %(host)s\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                    "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\nOrigin: %(origin)s\r\n\r\n")
    check(b" 101" in stalled.recv(64), "the stalled client's WebSocket is open")
    mine = "127.0.0.1:%d" % stalled.getsockname()[1]

    def dropped():  # the program holds its end no more (the kernel may keep an orphan)
        listing = subprocess.run(["ss", "-tnpH"], capture_output=True, text=True).stdout.splitlines()
        return not any(mine in line.split()[4:5] and "scandeck" in line for line in listing)

    check(wait_until(lambda: not dropped(), 3), "the program holds the stalled client's connection")
    end = time.time() + 120
    while not dropped() and time.time() < end:  # MANUAL and SCAN in turn keep the status changing
        for name in ("MANUAL", "SCAN"):
            request(a.port, "POST", "/api/keys/" + name, {"Origin": a.origin})
            time.sleep(0.1)
    check(dropped(), "a client that never reads is dropped")
    check(a.rss_kb() - rss_before < 16 * 1024, "memory stayed bounded (%+d KB)" % (a.rss_kb() - rss_before))

    # --- the network address with a password
    password, hashed = "wide awake %d" % os.getpid(), ctypes.create_string_buffer(128)
    sodium = ctypes.CDLL("libsodium.so.23")
    check(sodium.sodium_init() >= 0 and sodium.crypto_pwhash_str(hashed, password.encode(), ctypes.c_ulonglong(len(password)),
          ctypes.c_ulonglong(2), ctypes.c_size_t(64 << 20)) == 0, "libsodium hashed the test password")
    b = Program("guarded", ["web_address=0.0.0.0", "web_password_hash=" + hashed.value.decode()], seed=5)
    expect_statuses(b.port, [("GET", "/api/status", {}, 401), ("POST", "/api/keys/SCAN", {"Origin": b.origin}, 401)])
    browser.open(b.origin + "/", 1280, 900)
    check(wait_until(lambda: browser.eval("!document.getElementById('login').hidden"), 10), "the page asks for the password")
    browser.eval("document.getElementById('password').focus()")
    browser.call("Input.insertText", text=password)
    browser.click("document.querySelector('#login button')")
    check(wait_until(lambda: browser.text("frequency") not in ("-", ""), 15), "after logging in the page shows the scanner")
    cookie = browser.call("Network.getCookies", urls=[b.origin])["cookies"]
    check(cookie and cookie[0]["httpOnly"] and cookie[0]["sameSite"] == "Strict", "the session cookie is HttpOnly, SameSite=Strict")
    check(request(b.port, "GET", "/api/heard", {"Cookie": "scandeck_session=" + cookie[0]["value"]})[0] == 200,
          "the cookie opens the API")

    waits, form = [], {"Origin": b.origin, "Content-Type": "application/x-www-form-urlencoded"}
    for attempt in range(4):
        wrong = request(b.port, "POST", "/login", form, "password=guess%d" % attempt)[0]
        status, headers = request(b.port, "POST", "/login", form, "password=" + password)
        check(wrong == 401 and status == 429, "wrong password %d refused (%s), the right one at once must wait (%s)"
              % (attempt + 1, wrong, status))
        waits.append(int(headers.get("Retry-After", "0")))
        time.sleep(waits[-1] + 0.2)
    check(waits == [1, 2, 4, 8], "the wait doubles with each wrong password %s" % waits)


try:
    main()
finally:
    for p in procs:
        p.kill()
        p.wait()
    shutil.rmtree(work, ignore_errors=True)
