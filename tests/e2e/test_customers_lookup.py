"""The customer lookup by trading name as the ready-mix daily sales (kind 8)
use it: customers imported in the same invocation are found, names are
matched literally, a name not found is reported with its line and gives no
customer code, blank names continue the customer before."""

from dbfharness import (listed_rows, make_standard_table, read_rows, record, run_cli,
                        tabledir, write_export)  # noqa: F401  (tabledir is a fixture)

CUSTOMER_WIDTH = 738
SALES_WIDTH = 333


def rm_customer(old_code, name):
    return record(CUSTOMER_WIDTH, {1: old_code, 8: name})


def daily_sale(serial, customer_name, day='15'):
    fields = {1: f'{serial:6d}', 8: '2004', 12: '03', 14: day, 24: '001',
              164: '25-210-12', 179: '    6', 184: '00', 187: '   50000',
              196: '      300000', 209: '      30000'}
    if customer_name:
        fields[102] = customer_name
    return record(SALES_WIDTH, fields)


def write(directory, name, records):
    return write_export(directory.parent / name, records)


def run_customers_then_sales(directory, customers, sales):
    make_standard_table(directory, 'vdrs110')
    make_standard_table(directory, 'k31_0403')
    return run_cli(directory,
                   ('6', write(directory, '레미콘거래처.txt', customers)),
                   ('8', write(directory, '레미콘일일판매.txt', sales)))


def sold_to(directory):
    return [(r['D11_CODE'], r['D11_CNAME']) for r in read_rows(directory, 'k31_0403')]


def test_customers_imported_earlier_in_the_run_are_found_literally(tabledir):
    customers = [
        rm_customer('1A0001', '대한건설'),
        rm_customer('2B0002', "O'Neil 상사"),
        rm_customer('1C0003', '50%_할인*?'),
        rm_customer('2D0004', '대한건설'),       # the same name again: the first wins
    ]
    sales = [
        daily_sale(1, "O'Neil 상사"),
        daily_sale(2, '대한건설'),
        daily_sale(3, '50%_할인*?'),
        daily_sale(4, ''),                      # continuation line: same customer
    ]
    code, out, err = run_customers_then_sales(tabledir, customers, sales)
    assert (code, err) == (0, '')
    assert sold_to(tabledir) == [
        ('200001', "O'Neil 상사"),
        ('100001', '대한건설'),
        ('100002', '50%_할인*?'),
        ('100002', ''),
    ]
    assert len(listed_rows(out)) == len(customers) + len(sales)


def test_names_not_found_are_reported_and_book_to_no_customer(tabledir):
    customers = [rm_customer('1A0001', '대한건설'), rm_customer('1A0002', '대한산업')]
    sales = [
        daily_sale(1, '대한건설'),
        daily_sale(2, '대한%'),                 # a pattern is no customer
        daily_sale(3, ''),                      # continues the unknown one
        daily_sale(4, '없는회사'),
        daily_sale(5, '대한산업'),
        daily_sale(6, ''),
    ]
    code, out, err = run_customers_then_sales(tabledir, customers, sales)
    # the run went to its end, but messages were shown
    assert code == 3
    assert sold_to(tabledir) == [
        ('100001', '대한건설'),
        ('', '대한%'),
        ('', ''),
        ('', '없는회사'),
        ('100002', '대한산업'),
        ('100002', ''),
    ]
    messages = [m for m in err.splitlines() if m.strip()]
    assert len(messages) == 2
    assert '대한%' in messages[0] and '2번째 줄' in messages[0]
    assert '없는회사' in messages[1] and '4번째 줄' in messages[1]
    assert [s for _, s, _ in listed_rows(out)][-len(sales):] == ['성공'] * len(sales)


def test_without_customer_table_every_sale_reports_and_has_no_code(tabledir):
    make_standard_table(tabledir, 'k31_0403')
    sales = [daily_sale(1, '대한건설'), daily_sale(2, '')]
    code, _, err = run_cli(tabledir, ('8', write(tabledir, '레미콘일일판매.txt', sales)))
    assert code == 3
    # the table cannot be read: reported for the named and the blank line
    assert 'vdrs110' in err
    assert '1번째 줄' in err and '2번째 줄' in err
    assert [c for c, _ in sold_to(tabledir)] == ['', '']
