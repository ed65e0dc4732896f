# Sourced by the tests that need an Icecast server: start_icecast_server DIR PORT
# PASSWORD [MOUNT_XML] writes DIR/icecast.xml (127.0.0.1:PORT, logs in DIR/log) and
# starts icecast2, as nobody when the test is root (icecast refuses root). Sets
# icecast_pid; returns 1 where it does not answer within 5 s. Again after a kill: restarted.
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

start_icecast_server() {
  local dir=$1 port=$2 password=$3 mounts=${4:-} run=()
  mkdir -p "$dir/log"
  chmod 755 "$dir"
  cat >"$dir/icecast.xml" <<CONF
<icecast><limits><clients>10</clients><sources>4</sources></limits>
  <authentication><source-password>$password</source-password>
    <admin-user>admin</admin-user><admin-password>adm${password}</admin-password></authentication>
  <hostname>127.0.0.1</hostname>
  <listen-socket><port>$port</port><bind-address>127.0.0.1</bind-address></listen-socket>
  $mounts
  <fileserve>1</fileserve>
  <paths><basedir>/usr/share/icecast2</basedir><logdir>$dir/log</logdir>
    <webroot>/usr/share/icecast2/web</webroot><adminroot>/usr/share/icecast2/admin</adminroot></paths>
  <logging><errorlog>error.log</errorlog><accesslog>access.log</accesslog><loglevel>3</loglevel></logging>
  <security><chroot>0</chroot></security></icecast>
CONF
  if [ "$(id -u)" -eq 0 ]; then
    chmod 777 "$dir/log"
    chmod 644 "$dir/icecast.xml"
    run=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  "${run[@]}" icecast2 -c "$dir/icecast.xml" >>"$dir/log/stdout" 2>&1 &
  icecast_pid=$!
  for _ in $(seq 50); do
    curl -s -o /dev/null "http://127.0.0.1:$port/status-json.xsl" && return 0
    sleep 0.1
  done
  cat "$dir/log/"*
  return 1
}
