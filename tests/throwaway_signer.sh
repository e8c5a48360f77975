# shellcheck shell=bash
# throwaway_signer DIR: a self-signed code-signing certificate, its own
# authority (osslsigncode verify -CAfile DIR/cert.pem), and its key in DIR,
# valid for a day, named to scripts/sign-programs.
throwaway_signer() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quintarel test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null
  export QUINTAREL_SIGN_CERT=$1/cert.pem QUINTAREL_SIGN_KEY=$1/key.pem
}
