// kiv-page-test as a test written in TypeScript uses it. Every line after an
// expect-error directive must fail to type-check.
import {
  startRenderer, kivPageScript, failure, double, dict, binary, utf16, kindOf, values,
  PageTestError, Page, Query, Renderer,
} from 'kiv-page-test';

async function pageTest(): Promise<void> {
  const renderer: Renderer = await startRenderer({
    queries: ['echo'], events: ['tick'], timeoutMs: 2000, test: { after: () => {} },
  });
  const answer = renderer.answer('echo', async (args, query: Query) =>
    query.id === 0 ? { text: String(args), n: double(1), raw: binary([1, 2]) } : failure('no'));
  const calls: Query[] = answer.calls;
  renderer.handle('echo', (args, query) => query.reply(dict([['$k', utf16([0xd800])]])));
  const page: Page = await renderer.open({ scripts: [kivPageScript, 'var x = 1;', { file: 'p.js' }] });
  const sum: number = await page.evaluate<number>('x + 1');
  await renderer.raise('tick', [1, null, 'x']);
  await renderer.settle({ timeoutMs: 100 });
  const line = await renderer.waitForConsole(/x/);
  const level: 'log' | 'info' | 'warn' | 'error' = line.level;
  const query = await renderer.nextQuery('echo');
  await query.fail({ reason: 'x' });
  const kind: string = kindOf(query.exactArgs);
  const text: string = values.encode([double(2), NaN]);
  const next: Page = await page.navigate({ script: '' });
  await next.release();
  const exit = await renderer.kill('SIGTERM');
  const reason: string = exit.reason;
  const unreadable: string[] = renderer.events.flatMap((e) => (e.event === 'unreadable' ? [e.text] : []));
  await renderer.close();
  try {
    await page.evaluate('1');
  } catch (error) {
    if (error instanceof PageTestError) {
      const summary: string = error.summary;
    }
  }

  // @ts-expect-error names are lists of strings
  await startRenderer({ queries: 'echo' });
  // @ts-expect-error a Date is no message value
  await renderer.raise('tick', new Date());
  // @ts-expect-error a function is no answer value
  renderer.answer('echo', () => () => 1);
  // @ts-expect-error scripts are texts or {file}
  await renderer.open({ scripts: [5] });
}
