#!/usr/bin/env bash
# Makes a throwaway certificate authority and a server certificate it signs,
# for the fake weather service on loopback. The server certificate names
# IP:127.0.0.1, DNS:127.0.0.1 and DNS:localhost (Wine's WinINet matches the
# host against DNS names only).
# Usage: make_test_cert.sh FOLDER   -> FOLDER/ca.pem, FOLDER/server.pem, FOLDER/server.key
set -euo pipefail
out=${1:?usage: make_test_cert.sh FOLDER}
mkdir -p "$out"
cd "$out"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tickwell test CA" \
  -keyout ca.key -out ca.pem -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr \
  2>/dev/null
printf '%s\n' "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost" \
  "basicConstraints=CA:FALSE" "extendedKeyUsage=serverAuth" > server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile server.ext -out server.pem 2>/dev/null
rm -f server.csr server.ext ca.srl
