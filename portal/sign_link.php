<?php
// Signed Zentaris launch links in PHP (sodium is built into PHP 7.2 and later;
// iconv converts the fields to Windows-1252). Copy this file to the portal.
//
//   require 'sign_link.php';
//   $seed = zentaris_read_seed('/etc/portal/portal-signing.seed');
//   $link = zentaris_launch_link($seed, [$appname, $installkey, $installvalue,
//                                        $exename, $weblink, $approvalId]);
//
// Fields are UTF-8 text. From the command line, for a quick look:
//   php sign_link.php SEED_FILE APPNAME INSTALLKEY INSTALLVALUE EXENAME WEBLINK APPROVALID
// The rules are in docs/portal.md; portal/tests/link_vectors.json holds links
// this file must make exactly.

// Fixed text before the signed fields: a signature made for anything else
// never passes for a launch link's.
const ZENTARIS_LINK_CONTEXT = "zentaris launch link v1\0";

// The 32-byte seed of a seed file (Base64, as link_signing.py keygen writes it).
function zentaris_read_seed(string $path): string
{
    $text = file_get_contents($path);
    $seed = $text === false ? false : base64_decode(trim($text), true);
    if ($seed === false || strlen($seed) !== SODIUM_CRYPTO_SIGN_SEEDBYTES) {
        throw new InvalidArgumentException("not a signing seed file: $path");
    }
    return $seed;
}

// The six fields as the payload carries them: Windows-1252 bytes. A field
// that is empty or holds ";" would move every later field, a NUL ends the
// payload, and a character Windows-1252 lacks must not turn into another
// name or folder: each is refused.
function zentaris_link_fields(array $fields): array
{
    if (count($fields) !== 6) {
        throw new InvalidArgumentException('a launch link has six fields');
    }
    $bytes = [];
    foreach (array_values($fields) as $field) {
        $converted = @iconv('UTF-8', 'WINDOWS-1252', (string)$field);
        if ($converted === false || $converted === '' || strpbrk($converted, ";\0") !== false) {
            throw new InvalidArgumentException('a launch link field is empty, holds ";" or NUL, or is not Windows-1252 text: ' . json_encode($field));
        }
        $bytes[] = $converted;
    }
    return $bytes;
}

// "zentaris://launch/" and the standard Base64 of the six fields and their
// signature, joined with ";".
function zentaris_launch_link(string $seed, array $fields): string
{
    $bytes = zentaris_link_fields($fields);
    $keypair = sodium_crypto_sign_seed_keypair($seed);
    $secret = sodium_crypto_sign_secretkey($keypair);
    $signature = sodium_crypto_sign_detached(ZENTARIS_LINK_CONTEXT . implode(';', $bytes), $secret);
    sodium_memzero($secret);
    sodium_memzero($keypair);
    $bytes[] = base64_encode($signature);
    return 'zentaris://launch/' . base64_encode(implode(';', $bytes));
}

if (PHP_SAPI === 'cli' && isset($argv[0]) && realpath($argv[0]) === __FILE__) {
    if ($argc !== 8) {
        fwrite(STDERR, "usage: php sign_link.php SEED_FILE APPNAME INSTALLKEY INSTALLVALUE EXENAME WEBLINK APPROVALID\n");
        exit(2);
    }
    try {
        echo zentaris_launch_link(zentaris_read_seed($argv[1]), array_slice($argv, 2)), "\n";
    } catch (InvalidArgumentException $e) {
        fwrite(STDERR, 'sign_link.php: ' . $e->getMessage() . "\n");
        exit(1);
    }
}
