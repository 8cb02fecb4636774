#!/usr/bin/env bash
# The month-end run of rptcarry on a copy of the demo installation: statements, the CSV
# and XLSX export and mailing through a stand-in sendmail that keeps each message. The
# figures are compared with the owner and grand total lines of the print file; the PDF
# is read back with pdftotext/pdfinfo, the workbook and the messages with Python's own
# zip, XML and mail readers. Usage: month_end.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
source "$(dirname "$0")/demo_harness.bash" "$1" "$2"
print_file="$work/demo/TMP/orbprint.tmp"
out="$work/out"
month="$out/2026-12"

# The stand-in sendmail: keeps each message and its arguments; refuses one address.
mkdir -p "$work/mail"
cat > "$work/sendmail" <<EOF
#!/usr/bin/env bash
n=\$(ls "$work/mail" | grep -c '\.eml\$')
cat > "$work/mail/\$n.eml"
echo "\$*" > "$work/mail/\$n.args"
grep -q '^To:.*merce.riera' "$work/mail/\$n.eml" && exit 75
exit 0
EOF
chmod +x "$work/sendmail"
export ORBSENDMAIL="$work/sendmail"

run() {  # expected_code args...
  local expected="$1"; shift
  "$rptcarry" "$@" >"$work/stdout" 2>"$work/err"
  local code=$?
  [ "$code" -eq "$expected" ] || fail "rptcarry $* gave exit code $code, expected $expected ($(cat "$work/err"))"
}
base=(--date 31/12/2026 --from 1 --to 9999 --no-print-program)

# The totals of the print file: "owner amount1 ... amount6" per total line, the grand
# total with owner "-", amounts in hundredths.
print_totals() {
  python3 - "$print_file" <<'EOF'
import sys
owner = None
rows = []
cur = None
for raw in open(sys.argv[1], 'rb').read().decode('cp850').split('\r\n'):
    first, last = raw.find(','), raw.rfind(',')
    if first < 0 or first == last:
        continue
    col, text = int(raw[:first]), raw[first + 1:last]
    if col == 1 and text.isdigit():
        owner = text
    if col == 13 and text.startswith('TOTAL'):
        cur = [owner if text != 'TOTAL' else '-']
        rows.append(cur)
        continue
    if cur is not None and col >= 55:
        digits = ''.join(c for c in text if c.isdigit())
        cur.append(('-' if '-' in text else '') + str(int(digits)))
        if len(cur) == 7:
            cur = None
for r in rows:
    print(' '.join(r))
EOF
}

# 1. Statements, CSV export and mailing in one run.
run 1 "${base[@]}" --statements "$out" --export "$out/month.csv" --mail "$source_dir/demo/contacts.csv"
print_totals > "$work/printed"
owners=$(grep -vc '^- ' "$work/printed")
[ "$owners" -gt 10 ] || fail "the demo report lists only $owners owners"
[ "$(ls "$month"/*.pdf | wc -l)" -eq "$owners" ] || fail "not one statement per listed owner"
ls "$month" | grep -q '\.part$' && fail "a file was left aside"

# The CSV's total rows equal the print file's total lines.
python3 - "$out/month.csv" > "$work/exported" <<'EOF'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], encoding='utf-8', newline='')))
assert rows[0][:4] == ['Propietari', 'Nom del propietari', 'Finca', 'Nom de la finca'], rows[0]
for r in rows[1:]:
    assert len(r) == 11, r
    if r[10] == 'Finca':
        continue
    figures = [str(round(float(x) * 100)) for x in r[4:10]]
    for x in r[4:10]:
        assert x.replace('-', '').replace('.', '').isdigit() and x[-3] == '.', x
    print(' '.join([r[0] if r[10] != 'Total general' else '-'] + figures))
EOF
cmp -s "$work/printed" "$work/exported" || fail "CSV totals differ from the print file: $(diff "$work/printed" "$work/exported" | head -5)"

# A statement: owner, tax id, total figures as printed, one page, title and author.
first=$(head -1 "$work/printed")
code=$(echo "$first" | cut -d' ' -f1)
line=$(grep "^${code#0*}," "$source_dir/demo/data/owners.csv" || grep "^$((10#$code))," "$source_dir/demo/data/owners.csv")
tax=$(python3 -c 'import csv,sys; print(next(csv.reader([sys.argv[1]]))[2])' "$line")
pdftotext -layout "$month/$code.pdf" "$work/st.txt" || fail "pdftotext cannot read $code.pdf"
grep -q "Propietari: $code" "$work/st.txt" || fail "statement does not name owner $code"
grep -q "NIF: $tax" "$work/st.txt" || fail "statement does not show the tax id $tax"
grep -q "Finques Martí i Soler" "$work/st.txt" || fail "statement does not show the holder with its accent"
grep -q "PÀGINA 1 DE 1" "$work/st.txt" || fail "statement page not numbered 1 of 1"
stated=$(grep '^TOTAL' "$work/st.txt" | python3 -c '
import sys
w = sys.stdin.read().split()[1:]
print(" ".join(("-" if "-" in x else "") + str(int("".join(c for c in x if c.isdigit()))) for x in w))')
[ "$code $stated" = "$first" ] || fail "statement total '$stated' differs from the print file '$first'"
pdfinfo "$month/$code.pdf" > "$work/info"
grep -q "^Pages: *1$" "$work/info" || fail "pdfinfo: not one page"
grep -q "^Title: *LIQUIDACIÓ AL PROPIETARI $code A 31/12/2026" "$work/info" || fail "PDF title: $(grep Title "$work/info")"
grep -q "^Author: *Finques Martí i Soler" "$work/info" || fail "PDF author: $(grep Author "$work/info")"

# Mailing: every message well formed, attachment equal to its statement, the refused
# address and the owners without one logged, the summary on stderr, exit code 1.
grep -q "^rptcarry: mail: .* sent, .* skipped (no address), 1 failed" "$work/err" || fail "no mail summary: $(cat "$work/err")"
grep -q "^-t -oi$" "$work/mail/0.args" || fail "sendmail not called with -t -oi"
python3 - "$work/mail" "$month" <<'EOF' || fail "messages are not what they should be"
import email, email.policy, glob, os, sys
mail_dir, month = sys.argv[1], sys.argv[2]
count = 0
for path in sorted(glob.glob(os.path.join(mail_dir, '*.eml'))):
    msg = email.message_from_bytes(open(path, 'rb').read(), policy=email.policy.default)
    assert msg.get_content_type() == 'multipart/mixed', path
    assert not msg.defects, (path, msg.defects)
    assert str(msg['From']) == 'Finques Martí i Soler <administracio@finques-marti.example>', msg['From']
    assert str(msg['Subject']) == 'Liquidació al propietari a 31/12/2026', msg['Subject']
    assert msg['Date'] and msg['Message-ID'] and msg['To'].addresses
    parts = list(msg.iter_parts())
    assert len(parts) == 2, path
    assert 'Us adjuntem la liquidació a 31/12/2026.' in parts[0].get_content()
    attachment = parts[1]
    assert attachment.get_content_type() == 'application/pdf'
    name = attachment.get_filename()
    data = attachment.get_content()
    assert data == open(os.path.join(month, name), 'rb').read(), name
    count += 1
assert count > 5, count
EOF
log="$month/sent.csv"
[ -f "$log" ] || fail "no send log"
head -1 "$log" | grep -q "^owner,email,file,closing_date,time,result,detail" || fail "send log header"
grep -q ",skipped,no address" "$log" || fail "no skipped owner in the log"
grep -q "merce.riera.*,failed,.*exit code 75" "$log" || fail "the failed send is not logged"
sent_before=$(grep -c ',sent,' "$log")
messages_before=$(ls "$work/mail"/*.eml | wc -l)

# 2. The same closing date again: nobody is sent twice; only the failed one is tried.
run 1 "${base[@]}" --statements "$out" --mail "$source_dir/demo/contacts.csv"
[ "$(ls "$work/mail"/*.eml | wc -l)" -eq $((messages_before + 1)) ] || fail "a re-run sent again"
grep -q "already sent (not sent again)" "$work/err" || fail "re-run summary: $(cat "$work/err")"
# --resend sends everyone with an address again.
run 1 "${base[@]}" --statements "$out" --mail "$source_dir/demo/contacts.csv" --resend
[ "$(grep -c ',sent,' "$log")" -eq $((sent_before * 2)) ] || fail "--resend did not send again"

# 3. The XLSX export read back: header frozen, numeric cells equal to the CSV's figures,
# totals in bold.
run 0 "${base[@]}" --export "$out/month.xlsx"
python3 - "$out/month.xlsx" "$out/month.csv" <<'EOF' || fail "the workbook does not read back as the CSV"
import csv, re, sys, zipfile
import xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
shared = []
if 'xl/sharedStrings.xml' in z.namelist():
    shared = [''.join(t.text or '' for t in si.iter('{%s}t' % ns['m']))
              for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns)]
sheet = ET.fromstring(z.read('xl/worksheets/sheet1.xml'))
pane = sheet.find('.//m:pane', ns)
assert pane is not None and pane.get('ySplit') == '1' and pane.get('state') == 'frozen'
styles = ET.fromstring(z.read('xl/styles.xml'))
fonts = styles.findall('m:fonts/m:font', ns)
xfs = styles.findall('m:cellXfs/m:xf', ns)
def bold(s):
    return fonts[int(xfs[int(s)].get('fontId'))].find('m:b', ns) is not None
def decimals(s):
    fmt = xfs[int(s)].get('numFmtId')
    custom = {f.get('numFmtId'): f.get('formatCode') for f in styles.findall('m:numFmts/m:numFmt', ns)}
    return custom.get(fmt, '').endswith('0.00')
rows = []
for row in sheet.findall('m:sheetData/m:row', ns):
    cells = {}
    for c in row.findall('m:c', ns):
        col = re.match('[A-Z]+', c.get('r')).group(0)
        if c.get('t') == 'inlineStr':
            value = ''.join(t.text or '' for t in c.iter('{%s}t' % ns['m']))
        elif c.get('t') == 's':
            value = shared[int(c.find('m:v', ns).text)]
        else:
            value = float(c.find('m:v', ns).text)
        cells[col] = (value, c.get('s', '0'))
    rows.append(cells)
expected = list(csv.reader(open(sys.argv[2], encoding='utf-8', newline='')))
assert len(rows) == len(expected), (len(rows), len(expected))
assert [rows[0][c][0] for c in 'ABCDEFGHIJK'] == expected[0]
for cells, exp in zip(rows[1:], expected[1:]):
    for i, c in enumerate('EFGHIJ'):
        value, style = cells[c]
        assert abs(value - float(exp[4 + i])) < 0.001, (value, exp)
        assert decimals(style), style
        assert bold(style) == (exp[10] != 'Finca'), exp
    assert cells['K'][0] == exp[10]
    assert cells['A'][0] == exp[0] if exp[0] else 'A' not in cells
EOF

# 4. Bad input: nothing is written or sent.
messages_before=$(ls "$work/mail"/*.eml | wc -l)
printf 'owner,email\n16,a@b.example\n21,not an address\n' > "$work/bad.csv"
run 1 "${base[@]}" --statements "$work/st2" --mail "$work/bad.csv"
grep -q "bad.csv line 3: email" "$work/err" || fail "malformed contacts not refused with the line: $(cat "$work/err")"
[ "$(ls "$work/mail"/*.eml | wc -l)" -eq "$messages_before" ] || fail "a refused contacts file sent mail"
[ ! -e "$work/st2" ] || fail "a refused contacts file left statements"
printf 'owner,email\n16,a@b.example\n4444,z@b.example\n' > "$work/unknown.csv"
run 0 "${base[@]}" --statements "$work/st3" --mail "$work/unknown.csv"
grep -q "unknown.csv line 3: owner 4444 is not in the owners' file" "$work/err" || fail "unknown owner code not told: $(cat "$work/err")"
touch "$work/afile"
rm -f "$print_file"
run 1 "${base[@]}" --statements "$work/afile/st"
grep -q "statements directory" "$work/err" || fail "unwritable DIR not told"
[ ! -e "$print_file" ] || fail "an unwritable DIR still printed the report"
run 1 "${base[@]}" --export "$work/no-such-dir/m.csv"
grep -q "no-such-dir/m.csv" "$work/err" || fail "unwritable FILE not named"
[ ! -e "$work/no-such-dir" ] || fail "an unwritable FILE left something"
cp "$out/month.csv" "$work/keep.csv"
ORBTMP="$work/no-tmp/" run 1 "${base[@]}" --export "$out/month.csv"
cmp -s "$out/month.csv" "$work/keep.csv" || fail "a failed report replaced the export"
ls "$out" | grep -q '\.part$' && fail "a failed report left the export aside"
run 2 "${base[@]}" --mail "$source_dir/demo/contacts.csv"
run 2 "${base[@]}" --statements "$out" --resend
run 1 "${base[@]}" --export "$out/month.ods"
sed -i '/^Correu=/d' "$work/demo/Vora.ini"
run 1 "${base[@]}" --statements "$work/st4" --mail "$source_dir/demo/contacts.csv"
grep -q "Correu" "$work/err" || fail "mailing without the holder's address not refused"
[ ! -e "$work/st4" ] || fail "mailing without the holder's address wrote statements"

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "month-end run: all checks passed"
