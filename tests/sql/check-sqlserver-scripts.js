#!/usr/bin/env node
// Parses every T-SQL script of a folder (sql/sqlserver) with a T-SQL grammar, batch by batch as
// sqlcmd splits them (GO lines), and checks the roles' grants read from the parse trees.
//
//   node check-sqlserver-scripts.js <folder of .sql scripts>
//
// Every GRANT and DENY is read from the T-SQL lexer's tokens against the fixed form
//   {GRANT|DENY} perm [, perm]... [(column, ...)] ON [db.]schema.object [(column, ...)] TO principal [, principal]... ;
// because the grammar (ANTLR's T-SQL grammar as packaged by antlr4ts-sql) has an empty
// alternative for the principal, so that "GRANT ... TO role; GRANT ..." parses with no principal
// and the role's name as the start of a new batch. Where the grammar knows the statement (GRANT
// of one permission other than UPDATE and DELETE) its parse tree must give the same permission,
// object and columns as the tokens. The statements the grammar lacks (DENY, GRANT of UPDATE or
// DELETE, GRANT of several permissions) are blanked out of the batch before it is parsed, and
// listed in the output. Everything else must parse without a single syntax error.
'use strict';

const fs = require('fs');
const path = require('path');
let CharStreams, Token, TSqlLexer, P, CaseChangingStream;
try {
  ({ CharStreams } = require('antlr4ts/CharStreams'));
  ({ Token } = require('antlr4ts/Token'));
  ({ TSqlLexer } = require('antlr4ts-sql/dist/src/grammar-output/tsql/TSqlLexer'));
  P = require('antlr4ts-sql/dist/src/grammar-output/tsql/TSqlParser');
  ({ CaseChangingStream } = require('antlr4ts-sql/dist/src/models/CaseChangingStream'));
} catch (e) {
  console.error(`The T-SQL grammar package is missing (${e.message.split('\n')[0]}):`);
  console.error(`run "npm ci" in ${__dirname} (scripts/setup.sh does).`);
  process.exit(1);
}
const { CommonTokenStream } = require('antlr4ts/CommonTokenStream');

const ROLES = ['docuvane_viewer', 'docuvane_clerk', 'docuvane_administrator'];
// sqlcmd's -v values used to parse the scripts that take variables.
const SQLCMD_VARIABLES = { Login: 'HOSPITAL\\msantos', EmployeeID: '1001', Role: 'clerk', Windows: '1' };

// Splits a script the way sqlcmd does: a line holding only GO (any case, an optional count and
// comment) ends a batch.
function splitBatches(text) {
  const batches = [];
  let lines = [];
  let firstLine = 1;
  text.split(/\r?\n/).forEach((line, i) => {
    if (/^\s*go\s*(\d+)?\s*(--.*)?$/i.test(line)) {
      batches.push({ text: lines.join('\n'), line: firstLine });
      lines = [];
      firstLine = i + 2;
    } else {
      lines.push(line);
    }
  });
  if (lines.join('').trim() !== '') batches.push({ text: lines.join('\n'), line: firstLine });
  return batches;
}

function substituteVariables(text, where) {
  return text.replace(/\$\((\w+)\)/g, (_, name) => {
    if (!(name in SQLCMD_VARIABLES)) throw new Error(`${where}: unknown sqlcmd variable $(${name})`);
    return SQLCMD_VARIABLES[name];
  });
}

function lex(text, errors) {
  const lexer = new TSqlLexer(new CaseChangingStream(CharStreams.fromString(text), true));
  lexer.removeErrorListeners();
  lexer.addErrorListener({ syntaxError: (r, o, line, col, msg) => errors.push(`${line}:${col} ${msg}`) });
  const stream = new CommonTokenStream(lexer);
  stream.fill();
  return stream;
}

const bare = (name) => name.replace(/^\[|\]$/g, '').toLowerCase();

function objectKey(parts, db) {
  const names = parts.map(bare);
  if (names.length === 3) return names.join('.');
  if (names.length === 2) return `${db}.${names.join('.')}`;
  return `${db}.dbo.${names[0]}`;
}

// Reads the statements the grammar lacks from the tokens; returns them with their text range.
// Token and node texts are taken from the source: the upper-casing stream the lexer reads has none.
const tokenText = (t, text) => text.slice(t.startIndex, t.stopIndex + 1);
const nodeText = (n, text) => text.slice(n.start.startIndex, n.stop.stopIndex + 1);

function tokenStatements(tokens, text) {
  const found = [];
  const all = tokens.getTokens().filter((t) => t.channel === Token.DEFAULT_CHANNEL && t.type !== Token.EOF);
  for (let i = 0; i < all.length; ++i) {
    const t = all[i];
    if (t.type !== TSqlLexer.DENY && t.type !== TSqlLexer.GRANT) continue;
    let end = i;
    while (end < all.length && all[end].type !== TSqlLexer.SEMI) ++end;
    const body = all.slice(i, end);
    const onAt = body.findIndex((b) => b.type === TSqlLexer.ON);
    const lacking = t.type === TSqlLexer.DENY ||
      body.slice(1, onAt < 0 ? body.length : onAt).some((b) =>
        b.type === TSqlLexer.UPDATE || b.type === TSqlLexer.DELETE || b.type === TSqlLexer.COMMA);
    found.push({ lacking, words: body.map((b) => tokenText(b, text)), start: t.startIndex, stop: (all[end] || body[body.length - 1]).stopIndex,
                 line: t.line, text: text.slice(t.startIndex, (all[end] || body[body.length - 1]).stopIndex + 1) });
    i = end;
  }
  return found;
}

// {GRANT|DENY} perms [(cols)] ON name [(cols)] TO principals
function readTokenStatement(s, db) {
  const words = s.words;
  const fail = () => { throw new Error(`line ${s.line}: not of the known GRANT/DENY form: ${s.text}`); };
  let i = 1;
  const perms = [];
  while (i < words.length && words[i].toUpperCase() !== 'ON' && words[i] !== '(') {
    if (words[i] !== ',') perms.push(words[i].toUpperCase());
    ++i;
  }
  let columns = null;
  const readColumns = () => {
    const cols = [];
    ++i;
    while (i < words.length && words[i] !== ')') { if (words[i] !== ',') cols.push(bare(words[i])); ++i; }
    if (words[i] !== ')') fail();
    ++i;
    return cols;
  };
  if (words[i] === '(') columns = readColumns();
  if (!words[i] || words[i].toUpperCase() !== 'ON') fail();
  ++i;
  const parts = [];
  while (i < words.length && words[i].toUpperCase() !== 'TO' && words[i] !== '(') {
    if (words[i] !== '.') parts.push(words[i]);
    ++i;
  }
  if (words[i] === '(') columns = readColumns();
  if (!words[i] || words[i].toUpperCase() !== 'TO' || parts.length === 0 || perms.length === 0) fail();
  const principals = words.slice(i + 1).filter((w) => w !== ',').map(bare);
  return { action: words[0].toUpperCase(), perms, object: objectKey(parts, db), columns, principals };
}

function walk(tree, visit) {
  visit(tree);
  for (let i = 0; i < tree.childCount; ++i) walk(tree.getChild(i), visit);
}

// Parses one script; returns its grants/denies, its syntax errors and the token-read statements.
function readScript(name, text) {
  const result = { facts: [], errors: [], tokenRead: [], batches: 0 };
  let db = 'master';
  for (const batch of splitBatches(text)) {
    if (batch.text.trim() === '') continue;
    ++result.batches;
    const where = `${name}:${batch.line}`;
    let body;
    try { body = substituteVariables(batch.text, where); } catch (e) { result.errors.push(e.message); continue; }
    const lexErrors = [];
    const special = tokenStatements(lex(body, lexErrors), body);
    let rest = body;
    for (const s of special.filter((x) => x.lacking)) {
      rest = rest.slice(0, s.start) + rest.slice(s.start, s.stop + 1).replace(/[^\n]/g, ' ') + rest.slice(s.stop + 1);
    }
    const errors = [...lexErrors];
    const parser = new P.TSqlParser(lex(rest, errors));
    parser.removeErrorListeners();
    parser.addErrorListener({ syntaxError: (r, o, line, col, msg) => errors.push(`${line}:${col} ${msg}`) });
    const tree = parser.tsql_file();
    for (const e of errors) result.errors.push(`${name}:${batch.line + Number(e.split(":")[0]) - 1}: ${e.length > 200 ? e.slice(0, 200) + "..." : e}`);
    // The database in effect at a position: the batch's own USE before it, else the batch's start.
    const uses = [];
    const grants = [];
    walk(tree, (node) => {
      if (node instanceof P.Use_statementContext) uses.push({ at: node.start.startIndex, db: bare(nodeText(node.id(), rest)) });
      if (node instanceof P.Security_statementContext && node.GRANT().length > 0 && node.grant_permission()) {
        const table = node.table_name();
        const cols = node.column_name_list();
        grants.push({ at: node.start.startIndex, perms: [nodeText(node.grant_permission(), rest).toUpperCase()],
                      parts: table ? table.id().map((id) => nodeText(id, rest)) : [],
                      columns: cols ? cols.id().map((id) => bare(nodeText(id, rest))) : null,
                      principals: node.principal_id().map((p) => bare(nodeText(p, rest))) });
      }
    });
    const dbAt = (at) => { let d = db; for (const u of uses) if (u.at < at) d = u.db; return d; };
    const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
    for (const s of special) {
      const at = `${name}:${batch.line + s.line - 1}`;
      let fact;
      try { fact = readTokenStatement(s, dbAt(s.start)); } catch (e) { result.errors.push(`${at}: ${e.message}`); continue; }
      result.facts.push({ where: at, ...fact });
      if (s.lacking) { result.tokenRead.push(`${at}: ${s.text.replace(/\s+/g, ' ')}`); continue; }
      const g = grants.find((x) => x.at === s.start);
      const treePrincipals = g ? g.principals.filter((x) => x !== '') : [];
      if (!g || !same(g.perms, fact.perms) || objectKey(g.parts, dbAt(g.at)) !== fact.object ||
          !same(g.columns, fact.columns) || !treePrincipals.every((x) => fact.principals.includes(x)))
        result.errors.push(`${at}: the parse tree does not give this statement as its tokens do: ${s.text}`);
    }
    if (grants.length !== special.filter((x) => !x.lacking).length)
      result.errors.push(`${where}: the parse tree has ${grants.length} GRANTs, the tokens ${special.filter((x) => !x.lacking).length}`);
    if (uses.length > 0) db = uses[uses.length - 1].db;
  }
  return result;
}

// The rules the roles must keep; each returns the list of its violations.
const HISTORY = 'dbrecords.dbo.tblrechistory';
const FILES = 'dbrecords.dbo.tblrecfiles';
const MASTER = 'password.dbo.tbpasswordmaster';
const WIDE = ['ALL', 'CONTROL', 'ALTER', 'TAKE'];
const grantsTo = (facts, role, object) =>
  facts.filter((f) => f.action === 'GRANT' && f.object === object && f.principals.includes(role));
const denied = (facts, role, object, perm, column) =>
  facts.some((f) => f.action === 'DENY' && f.object === object && f.principals.includes(role) &&
                    f.perms.includes(perm) && (column === undefined || f.columns === null || f.columns.includes(column)));
const granted = (facts, role, object, perm) =>
  grantsTo(facts, role, object).some((f) => f.perms.includes(perm));

const RULES = [
  ['no role may change or remove access-history rows', (facts) => ROLES.flatMap((role) => [
    ...grantsTo(facts, role, HISTORY).filter((f) => f.perms.some((p) => ['UPDATE', 'DELETE', ...WIDE].includes(p)))
      .map((f) => `${f.where}: ${role} is granted ${f.perms.join(', ')} on the history`),
    ...['UPDATE', 'DELETE'].filter((p) => !denied(facts, role, HISTORY, p))
      .map((p) => `${role} is not denied ${p} on the history`)])],
  ['the viewer cannot change tblRecFiles', (facts) =>
    grantsTo(facts, 'docuvane_viewer', FILES)
      .filter((f) => f.perms.some((p) => ['INSERT', 'UPDATE', 'DELETE', ...WIDE].includes(p)))
      .map((f) => `${f.where}: docuvane_viewer is granted ${f.perms.join(', ')} on tblRecFiles`)],
  ['no role reads PasswordHash', (facts) => ROLES.flatMap((role) => [
    ...grantsTo(facts, role, MASTER)
      .filter((f) => f.perms.some((p) => WIDE.includes(p)) ||
                     (f.perms.includes('SELECT') && (f.columns === null || f.columns.includes('passwordhash'))))
      .map((f) => `${f.where}: ${role} may read PasswordHash (${f.perms.join(', ')}${f.columns ? ' (' + f.columns.join(', ') + ')' : ''})`),
    ...(denied(facts, role, MASTER, 'SELECT', 'passwordhash') ? [] : [`${role} is not denied SELECT (PasswordHash)`])])],
  ['each role has what its work sends', (facts) => {
    // Needs of the workflows: viewing locks records and records access; filing changes
    // tblRecFiles through its procedures; settings keep the record types.
    const needs = {
      docuvane_viewer: [['SELECT', FILES], ['INSERT', 'dbrecords.dbo.tblreclocks'], ['UPDATE', 'dbrecords.dbo.tblreclocks'],
                        ['DELETE', 'dbrecords.dbo.tblreclocks'], ['INSERT', HISTORY], ['SELECT', 'password.dbo.tbpasswordlogins'],
                        ['SELECT', 'patient_data.dbo.tbpatient']],
      docuvane_clerk: [['INSERT', FILES], ['UPDATE', FILES], ['DELETE', FILES], ['EXECUTE', 'dbrecords.dbo.sp_filedelete'],
                       ['EXECUTE', 'dbrecords.dbo.sp_checkscanned'], ['INSERT', HISTORY]],
      docuvane_administrator: [['INSERT', 'dbrecords.dbo.tblrectype'], ['UPDATE', 'dbrecords.dbo.tblrectype'],
                               ['DELETE', 'dbrecords.dbo.tblrectype'], ['EXECUTE', 'dbrecords.dbo.sprectype_setdefault'],
                               ['DELETE', FILES], ['INSERT', HISTORY], ['SELECT', HISTORY]],
    };
    return Object.entries(needs).flatMap(([role, list]) =>
      list.filter(([perm, object]) => !granted(facts, role, object, perm)).map(([perm, object]) => `${role} lacks ${perm} on ${object}`));
  }],
];

function check(facts) {
  return RULES.map(([title, rule]) => ({ title, violations: rule(facts) }));
}

// Wrong grants the rules must catch, so that a rule that can no longer fail is seen.
const FAULTS = [
  ['USE dbRecords;\nGO\nGRANT UPDATE ON dbo.tblRecHistory TO docuvane_clerk;\nGO\n', 0],
  ['USE dbRecords;\nGO\nGRANT DELETE ON dbRecords.dbo.tblRecFiles TO docuvane_viewer;\nGO\n', 1],
  ['USE dbRecords;\nGO\nGRANT INSERT ON dbo.tblRecFiles TO docuvane_viewer;\nGO\n', 1],
  ['USE Password;\nGO\nGRANT SELECT ON dbo.tbPasswordMaster TO docuvane_administrator;\nGO\n', 2],
  ['USE Password;\nGO\nGRANT SELECT (EmployeeID, PasswordHash) ON dbo.tbPasswordMaster TO docuvane_viewer;\nGO\n', 2],
];

function main() {
  const folder = process.argv[2];
  if (!folder) { console.error('usage: check-sqlserver-scripts.js <folder>'); process.exit(2); }
  const files = fs.readdirSync(folder).filter((f) => f.toLowerCase().endsWith('.sql')).sort();
  let passed = 0;
  let failed = 0;
  const verdict = (ok, what, details = []) => {
    if (ok) ++passed; else ++failed;
    console.log(`${ok ? 'PASS' : 'FAIL'} ${what}`);
    for (const d of details) console.log(`    ${d}`);
  };
  const facts = [];
  for (const f of files) {
    const r = readScript(f, fs.readFileSync(path.join(folder, f), 'utf8'));
    facts.push(...r.facts);
    verdict(r.errors.length === 0 && r.batches > 0, `${f} parses (${r.batches} batches, ${r.facts.length} grants/denies)`, r.errors);
    for (const t of r.tokenRead) console.log(`    read from tokens: ${t}`);
  }
  for (const { title, violations } of check(facts)) verdict(violations.length === 0, title, violations);
  for (const [script, rule] of FAULTS) {
    const r = readScript('fault.sql', script);
    const violations = check([...facts, ...r.facts])[rule].violations;
    verdict(r.errors.length === 0 && violations.length > 0, `"${RULES[rule][0]}" catches: ${script.split('\n')[2]}`, r.errors);
  }
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main();
