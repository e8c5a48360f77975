# shellcheck shell=bash
# throwaway_signer DIR: makes a self-signed code-signing certificate and its
# key in DIR, valid for a day, and names them to scripts/sign-programs
# (QUINTAREL_SIGN_CERT, QUINTAREL_SIGN_KEY). The certificate is its own
# authority: `osslsigncode verify -CAfile DIR/cert.pem` trusts it.
throwaway_signer() {
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Quintarel test signer" \
    -addext extendedKeyUsage=codeSigning -keyout "$1/key.pem" -out "$1/cert.pem" 2>/dev/null
  export QUINTAREL_SIGN_CERT=$1/cert.pem QUINTAREL_SIGN_KEY=$1/key.pem
}
